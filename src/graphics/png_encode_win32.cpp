#include "graphics/png_encode.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

namespace {

// Releases a COM pointer at the end of its scope.
template <typename T>
struct Com {
    T* p = nullptr;
    ~Com() {
        if (p != nullptr) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// COM on the calling thread for as long as the encoding takes; the server's threads are its
// own and may be on it already, in which mode ever.
struct ComScope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComScope() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
};

}  // namespace

std::string EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height, int scale,
                      PngPacking /*packing*/) {
    if (width <= 0 || height <= 0 || scale < 1 || pixels.size() != static_cast<std::size_t>(width) * height) return {};
    const UINT outWidth = static_cast<UINT>(width) * static_cast<UINT>(scale);
    const UINT outHeight = static_cast<UINT>(height) * static_cast<UINT>(scale);
    // Rows of 24-bit BGR, the order WIC's PNG encoder takes, each padded to four bytes.
    const UINT stride = (outWidth * 3 + 3) / 4 * 4;
    std::vector<BYTE> bgr(static_cast<std::size_t>(stride) * outHeight);
    for (UINT y = 0; y < outHeight; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y / scale) * width;
        BYTE* out = bgr.data() + static_cast<std::size_t>(y) * stride;
        for (UINT x = 0; x < outWidth; ++x) {
            const std::uint32_t p = row[x / scale];
            *out++ = static_cast<BYTE>(p);
            *out++ = static_cast<BYTE>(p >> 8);
            *out++ = static_cast<BYTE>(p >> 16);
        }
    }

    ComScope com;
    if (FAILED(com.result) && com.result != RPC_E_CHANGED_MODE) return {};
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> properties;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &properties)) || FAILED(frame->Initialize(properties.p)) ||
        FAILED(frame->SetSize(outWidth, outHeight))) {
        return {};
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    // The encoder may pick a format of its own; then it is not what the rows hold.
    if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ||
        FAILED(frame->WritePixels(outHeight, stride, static_cast<UINT>(bgr.size()), bgr.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
        return {};
    }

    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream.p, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
    const auto size = static_cast<std::size_t>(stat.cbSize.QuadPart);
    if (size > GlobalSize(memory)) return {};
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr) return {};
    std::string png(static_cast<const char*>(bytes), size);
    GlobalUnlock(memory);
    return png;
}
