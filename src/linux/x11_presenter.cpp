#include "linux/x11_presenter.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

namespace {

// Set by the handler below while a shared segment is being attached: a server that cannot
// reach our memory (another machine, another container) answers with an error, which means
// "use XPutImage", not "end the program".
bool gAttachFailed = false;
int OnAttachError(Display*, XErrorEvent*) {
    gAttachFailed = true;
    return 0;
}

}  // namespace

X11Presenter::X11Presenter(Display* display, Window window) : display_(display), window_(window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XSetForeground(display_, gc_, BlackPixel(display_, DefaultScreen(display_)));
    if (visual_ == nullptr || visual_->c_class != TrueColor || (depth_ != 24 && depth_ != 32) ||
        visual_->red_mask != 0xFF0000 || visual_->green_mask != 0x00FF00 || visual_->blue_mask != 0x0000FF) {
        problem_ = "the window's visual is not 24-bit TrueColor with 8-bit red, green and blue";
    }
    shm_ = XShmQueryExtension(display_) == True;
}

X11Presenter::~X11Presenter() {
    for (const std::unique_ptr<Image>& image : images_) Release(*image);
    XFreeGC(display_, gc_);
}

bool X11Presenter::MakeShared(Image& image, std::int32_t width, std::int32_t height) {
    image.image = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &image.segment,
                                  static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image.image == nullptr) return false;
    const std::size_t bytes = static_cast<std::size_t>(image.image->bytes_per_line) * static_cast<std::size_t>(height);
    image.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (image.segment.shmid < 0) {
        XDestroyImage(image.image);
        image.image = nullptr;
        return false;
    }
    image.segment.shmaddr = static_cast<char*>(shmat(image.segment.shmid, nullptr, 0));
    image.image->data = image.segment.shmaddr;
    image.segment.readOnly = False;
    gAttachFailed = false;
    XErrorHandler previous = XSetErrorHandler(OnAttachError);
    const bool attached = image.segment.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display_, &image.segment);
    XSync(display_, False);
    XSetErrorHandler(previous);
    // Marked for removal now: it goes when both sides have let go, even if we crash.
    shmctl(image.segment.shmid, IPC_RMID, nullptr);
    if (!attached || gAttachFailed) {
        if (image.segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(image.segment.shmaddr);
        image.image->data = nullptr;
        XDestroyImage(image.image);
        image.image = nullptr;
        return false;
    }
    image.shared = true;
    return true;
}

bool X11Presenter::MakePlain(Image& image, std::int32_t width, std::int32_t height) {
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    char* data = static_cast<char*>(std::calloc(bytes, 1));
    if (data == nullptr) return false;
    image.image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
    if (image.image == nullptr) {
        std::free(data);
        return false;
    }
    image.shared = false;
    return true;
}

void X11Presenter::Release(Image& image) {
    if (image.image == nullptr) return;
    if (image.shared) {
        XShmDetach(display_, &image.segment);
        XSync(display_, False);
        shmdt(image.segment.shmaddr);
        image.image->data = nullptr;
    }
    XDestroyImage(image.image);  // frees a plain image's data too
    image.image = nullptr;
}

X11Presenter::Image& X11Presenter::ImageOf(std::size_t index, std::int32_t width, std::int32_t height) {
    while (images_.size() <= index) images_.push_back(std::make_unique<Image>());
    Image& image = *images_[index];
    if (image.image != nullptr && image.width == width && image.height == height) return image;
    Release(image);
    image.current = false;
    image.width = width;
    image.height = height;
    if (!(shm_ && MakeShared(image, width, height))) {
        // One failed attach is enough to know: the rest of the run sends plain images.
        shm_ = false;
        MakePlain(image, width, height);
    }
    return image;
}

void X11Presenter::FillBlack(const Rect& area) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    // It may cover a copy's pixels (a reshaped window, the waiting line's place).
    Invalidate();
    XFillRectangle(display_, window_, gc_, area.left, area.top, static_cast<unsigned>(area.right - area.left),
                   static_cast<unsigned>(area.bottom - area.top));
}

void X11Presenter::Invalidate() {
    for (const std::unique_ptr<Image>& image : images_) image->current = false;
}

bool X11Presenter::Present(const RowSource& rows, std::int32_t width, std::int32_t height,
                           const std::vector<CanvasCopy>& copies, RowSpan drawn, std::size_t firstImage) {
    if (!problem_.empty() || width <= 0 || height <= 0) return false;
    bool sent = false;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const CanvasCopy& copy = copies[i];
        const ImageSize size = CopyImageSize(copy, width, height);
        Image& image = ImageOf(firstImage + i, size.width, size.height);
        if (image.image == nullptr || image.image->bits_per_pixel != 32) continue;
        const bool same = image.current && image.destination == copy.destination;
        const RowSpan written =
            WriteCopyRows(rows, width, height, copy, same ? drawn : RowSpan{0, height},
                          reinterpret_cast<std::uint32_t*>(image.image->data),
                          static_cast<std::size_t>(image.image->bytes_per_line) / sizeof(std::uint32_t));
        if (written.Empty()) continue;
        XRectangle clip{static_cast<short>(copy.monitor.left), static_cast<short>(copy.monitor.top),
                        static_cast<unsigned short>(copy.monitor.right - copy.monitor.left),
                        static_cast<unsigned short>(copy.monitor.bottom - copy.monitor.top)};
        XSetClipRectangles(display_, gc_, 0, 0, &clip, 1, Unsorted);
        const auto w = static_cast<unsigned>(image.width);
        const int top = written.top;
        const auto h = static_cast<unsigned>(written.bottom - written.top);
        const int x = copy.destination.left;
        const int y = copy.destination.top + top;
        if (image.shared) {
            XShmPutImage(display_, window_, gc_, image.image, 0, top, x, y, w, h, False);
        } else {
            XPutImage(display_, window_, gc_, image.image, 0, top, x, y, w, h);
        }
        XSetClipMask(display_, gc_, None);
        image.current = true;
        image.destination = copy.destination;
        sent = true;
    }
    return sent;
}

void X11Presenter::DrawText(std::int32_t x, std::int32_t y, const std::string& text) {
    XSetForeground(display_, gc_, WhitePixel(display_, DefaultScreen(display_)));
    XSetBackground(display_, gc_, BlackPixel(display_, DefaultScreen(display_)));
    XDrawImageString(display_, window_, gc_, x, y, text.c_str(), static_cast<int>(text.size()));
    XSetForeground(display_, gc_, BlackPixel(display_, DefaultScreen(display_)));
}

void X11Presenter::Finish() { XSync(display_, False); }
