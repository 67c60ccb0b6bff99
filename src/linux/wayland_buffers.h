// Buffers of our own for a Wayland surface that GTK made: GTK 3 redraws a surface into a new
// buffer of its whole size, copied whole, whenever the compositor still holds the last one,
// which costs a full-screen overlay a copy of the output on every frame. Here two or three
// shared-memory buffers take turns, and each is brought up to date only where the picture
// changed since it was last shown.
#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/damage.h"
#include "graphics/rect.h"

// The compositor's shared memory, bound on an event queue of our own, so that GTK's dispatch
// never runs our listeners and ours never runs GTK's.
class WaylandShm {
public:
    explicit WaylandShm(wl_display* display);
    ~WaylandShm();
    WaylandShm(const WaylandShm&) = delete;
    WaylandShm& operator=(const WaylandShm&) = delete;

    bool Ok() const { return shm_ != nullptr; }
    wl_display* Display() const { return display_; }
    wl_shm* Shm() const { return shm_; }
    // Runs the listeners of what GTK's reading of the socket queued for us (buffer releases).
    void DispatchPending();

private:
    static void OnGlobal(void* self, wl_registry* registry, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    wl_display* display_;
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_shm* shm_ = nullptr;
};

class WaylandSurfaceBuffers {
public:
    // `width` x `height` device pixels at `scale` device pixels a logical one.
    WaylandSurfaceBuffers(WaylandShm& shm, wl_surface* surface, std::int32_t width, std::int32_t height,
                          std::int32_t scale);
    ~WaylandSurfaceBuffers();
    WaylandSurfaceBuffers(const WaylandSurfaceBuffers&) = delete;
    WaylandSurfaceBuffers& operator=(const WaylandSurfaceBuffers&) = delete;

    // Shows the picture `source` (0x00RRGGBB rows `stridePixels` apart, the surface's size),
    // whose pixels in `changed` are new since the last call. False when every buffer is still
    // the compositor's: the change is kept for the next call.
    bool Show(const std::uint32_t* source, std::size_t stridePixels, const Damage& changed);

private:
    struct Buffer;
    Buffer* FreeBuffer();

    WaylandShm& shm_;
    wl_surface* surface_;
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t scale_;
    Damage pendingDamage_;  // changed since the last commit
    std::vector<std::unique_ptr<Buffer>> buffers_;
};
