// Puts pictures on Wayland surfaces through GTK: each surface (an output's overlay, or the
// window) keeps the picture in a buffer of its own device pixels, copies are written into it
// clipped to their monitor, and only the parts that changed are handed to GTK to redraw. The
// surfaces sit side by side in one plane of coordinates, so that the core's placement across
// monitors works as on X11's root window.
#pragma once

#include <cairo.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/copy_image.h"
#include "graphics/raster_surface.h"
#include "linux/wayland_buffers.h"
#include "reader/placement.h"

class WaylandPresenter {
public:
    using RowSource = ::RowSource;

    WaylandPresenter() = default;
    ~WaylandPresenter();
    WaylandPresenter(const WaylandPresenter&) = delete;
    WaylandPresenter& operator=(const WaylandPresenter&) = delete;

    // `widget` draws surface `index`, whose device pixels cover `place` at `scale` device pixels
    // a logical one. A surface of a new size or scale starts black; drawing it paints the buffer.
    void SetSurface(std::size_t index, GtkWidget* widget, const Rect& place, std::int32_t scale);
    void RemoveSurface(GtkWidget* widget);
    // Paints what the surface of `widget` holds (its draw handler).
    void Draw(GtkWidget* widget, cairo_t* cr);

    void FillBlack(const Rect& area);
    // As X11Presenter::Present: copy i keeps its pixels in image `firstImage` + i.
    bool Present(const RowSource& rows, std::int32_t width, std::int32_t height, const std::vector<CanvasCopy>& copies,
                 RowSpan drawn, std::size_t firstImage = 0);
    void Invalidate();
    void DrawText(std::int32_t x, std::int32_t y, const std::string& text);
    // Shows what changed since the last Finish: through GTK, or through buffers of our own.
    void Finish();
    // Surfaces whose own buffers were all held by the compositor at Finish get their change now.
    void ShowPending();
    // From now on surfaces that GTK has drawn once are shown through buffers of our own
    // (wayland_buffers.h): only for surfaces whose widget fills them, as the overlay's do (a
    // window's may have decorations drawn around it by GTK).
    void UseOwnBuffers(wl_display* display);

private:
    struct Surface {
        GtkWidget* widget = nullptr;
        Rect place{0, 0, 0, 0};
        std::int32_t scale = 1;
        cairo_surface_t* buffer = nullptr;
        Damage damage;  // in the buffer's pixels
        bool drawnByGtk = false;  // GTK has given the surface its first buffer
        std::unique_ptr<WaylandSurfaceBuffers> own;
        bool ownPending = false;
    };
    void ShowOwn(Surface& surface, const Damage& changed);
    struct Image {
        std::vector<std::uint32_t> pixels;
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool current = false;
        Rect destination{0, 0, 0, 0};
    };
    void Blit(const Image& image, const CanvasCopy& copy, std::int32_t top, std::int32_t bottom);
    static void AddDamage(Surface& surface, const Rect& part);
    // Row y (layout coordinates) of the surface's buffer, from the surface's left edge, for
    // writing after a cairo_surface_flush; Touched hands the written part (layout
    // coordinates) back to cairo and into the damage.
    static std::uint32_t* LayoutRow(Surface& surface, std::int32_t y);
    static void Touched(Surface& surface, const Rect& part);

    std::unique_ptr<WaylandShm> shm_;
    std::vector<Surface> surfaces_;
    std::vector<Image> images_;
};
