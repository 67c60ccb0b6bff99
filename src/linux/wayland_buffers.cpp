#include "linux/wayland_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// A surface keeps at most this many buffers: one shown, one the compositor may still read, one
// to draw in.
constexpr std::size_t kMaxBuffers = 3;

}  // namespace

WaylandShm::WaylandShm(wl_display* display) : display_(display) {
    if (display_ == nullptr) return;
    queue_ = wl_display_create_queue(display_);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue_);
    registry_ = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
    wl_registry_add_listener(registry_, &listener, this);
    wl_display_roundtrip_queue(display_, queue_);
}

WaylandShm::~WaylandShm() {
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
}

void WaylandShm::OnGlobal(void* self, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* shm = static_cast<WaylandShm*>(self);
    if (shm->shm_ == nullptr && std::strcmp(interface, wl_shm_interface.name) == 0)
        shm->shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
}

void WaylandShm::DispatchPending() {
    if (queue_ != nullptr) wl_display_dispatch_queue_pending(display_, queue_);
}

struct WaylandSurfaceBuffers::Buffer {
    std::uint32_t* pixels = nullptr;
    std::size_t bytes = 0;
    wl_buffer* buffer = nullptr;
    bool busy = false;       // attached, and not yet released by the compositor
    Damage stale;  // where it lacks the picture

    ~Buffer() {
        if (buffer != nullptr) wl_buffer_destroy(buffer);
        if (pixels != nullptr) munmap(pixels, bytes);
    }
    static void OnRelease(void* self, wl_buffer*) { static_cast<Buffer*>(self)->busy = false; }
};

WaylandSurfaceBuffers::WaylandSurfaceBuffers(WaylandShm& shm, wl_surface* surface, std::int32_t width,
                                             std::int32_t height, std::int32_t scale)
    : shm_(shm), surface_(surface), width_(width), height_(height), scale_(std::max(scale, 1)) {}

WaylandSurfaceBuffers::~WaylandSurfaceBuffers() = default;

WaylandSurfaceBuffers::Buffer* WaylandSurfaceBuffers::FreeBuffer() {
    for (const auto& buffer : buffers_)
        if (!buffer->busy) return buffer.get();
    if (buffers_.size() >= kMaxBuffers || !shm_.Ok() || width_ <= 0 || height_ <= 0) return nullptr;
    auto made = std::make_unique<Buffer>();
    const std::int32_t stride = width_ * 4;
    made->bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height_);
    const int fd = memfd_create("orvane-surface", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(made->bytes)) != 0) {
        close(fd);
        return nullptr;
    }
    void* mapped = mmap(nullptr, made->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    made->pixels = static_cast<std::uint32_t*>(mapped);
    wl_shm_pool* pool = wl_shm_create_pool(shm_.Shm(), fd, static_cast<std::int32_t>(made->bytes));
    made->buffer = wl_shm_pool_create_buffer(pool, 0, width_, height_, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);  // the buffer keeps the memory
    close(fd);
    static const wl_buffer_listener listener = {Buffer::OnRelease};
    wl_buffer_add_listener(made->buffer, &listener, made.get());
    made->stale.Add(Rect{0, 0, width_, height_});
    buffers_.push_back(std::move(made));
    return buffers_.back().get();
}

bool WaylandSurfaceBuffers::Show(const std::uint32_t* source, std::size_t stridePixels, const Damage& changed) {
    shm_.DispatchPending();
    const Rect bounds{0, 0, width_, height_};
    for (const Rect& part : changed.Rects()) {
        const Rect news = Intersection(part, bounds);
        if (IsEmpty(news)) continue;
        pendingDamage_.Add(news);
        for (const auto& buffer : buffers_) buffer->stale.Add(news);
    }
    if (pendingDamage_.Empty()) return true;
    Buffer* buffer = FreeBuffer();
    if (buffer == nullptr) return false;
    for (const Rect& stale : buffer->stale.Rects()) {
        const Rect copy = Intersection(stale, bounds);
        for (std::int32_t y = copy.top; y < copy.bottom; ++y) {
            std::memcpy(buffer->pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + copy.left,
                        source + static_cast<std::size_t>(y) * stridePixels + copy.left,
                        static_cast<std::size_t>(copy.right - copy.left) * 4);
        }
    }
    buffer->stale.Clear();
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    wl_surface_set_buffer_scale(surface_, scale_);
    // Surface coordinates are logical pixels: the damage is rounded outward to whole ones.
    const std::int32_t s = scale_;
    for (const Rect& part : pendingDamage_.Rects()) {
        wl_surface_damage(surface_, part.left / s, part.top / s, (part.right + s - 1) / s - part.left / s,
                          (part.bottom + s - 1) / s - part.top / s);
    }
    wl_surface_commit(surface_);
    buffer->busy = true;
    pendingDamage_.Clear();
    wl_display_flush(shm_.Display());
    return true;
}
