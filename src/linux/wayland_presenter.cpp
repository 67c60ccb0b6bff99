#include "linux/wayland_presenter.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <cstring>

WaylandPresenter::~WaylandPresenter() {
    for (Surface& surface : surfaces_)
        if (surface.buffer != nullptr) cairo_surface_destroy(surface.buffer);
}

void WaylandPresenter::SetSurface(std::size_t index, GtkWidget* widget, const Rect& place, std::int32_t scale) {
    if (surfaces_.size() <= index) surfaces_.resize(index + 1);
    Surface& surface = surfaces_[index];
    const std::int32_t width = place.right - place.left;
    const std::int32_t height = place.bottom - place.top;
    surface.place = place;
    if (surface.widget == widget && surface.buffer != nullptr && surface.scale == scale &&
        cairo_image_surface_get_width(surface.buffer) == width && cairo_image_surface_get_height(surface.buffer) == height)
        return;
    if (surface.widget != widget) surface.drawnByGtk = false;
    surface.widget = widget;
    if (surface.buffer != nullptr) cairo_surface_destroy(surface.buffer);
    surface.scale = std::max(scale, 1);
    // RGB24 keeps each pixel as 0x00RRGGBB in a 32-bit word, the canvas's own layout.
    surface.buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
    cairo_surface_set_device_scale(surface.buffer, surface.scale, surface.scale);
    cairo_surface_flush(surface.buffer);
    std::memset(cairo_image_surface_get_data(surface.buffer), 0,
                static_cast<std::size_t>(cairo_image_surface_get_stride(surface.buffer)) *
                    static_cast<std::size_t>(std::max(height, 1)));
    cairo_surface_mark_dirty(surface.buffer);
    surface.damage.Clear();
    surface.damage.Add(Rect{0, 0, width, height});
    // Buffers of the surface's old size, or of another widget's surface, are of no more use.
    surface.own.reset();
    surface.ownPending = false;
    Invalidate();
}

void WaylandPresenter::RemoveSurface(GtkWidget* widget) {
    for (auto it = surfaces_.begin(); it != surfaces_.end(); ++it) {
        if (it->widget != widget) continue;
        if (it->buffer != nullptr) cairo_surface_destroy(it->buffer);
        surfaces_.erase(it);
        return;
    }
}

void WaylandPresenter::Draw(GtkWidget* widget, cairo_t* cr) {
    for (Surface& surface : surfaces_) {
        if (surface.widget != widget || surface.buffer == nullptr) continue;
        surface.drawnByGtk = true;
        cairo_set_source_surface(cr, surface.buffer, 0, 0);
        // Device pixel for device pixel: nothing is to be smoothed.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        return;
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
}

void WaylandPresenter::AddDamage(Surface& surface, const Rect& part) { surface.damage.Add(part); }

std::uint32_t* WaylandPresenter::LayoutRow(Surface& surface, std::int32_t y) {
    unsigned char* data = cairo_image_surface_get_data(surface.buffer);
    const int stride = cairo_image_surface_get_stride(surface.buffer);
    return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y - surface.place.top) * stride);
}

void WaylandPresenter::Touched(Surface& surface, const Rect& part) {
    cairo_surface_mark_dirty(surface.buffer);
    AddDamage(surface, Rect{part.left - surface.place.left, part.top - surface.place.top, part.right - surface.place.left,
                            part.bottom - surface.place.top});
}

void WaylandPresenter::FillBlack(const Rect& area) {
    if (IsEmpty(area)) return;
    // It may cover a copy's pixels (a reshaped surface, the waiting line's place).
    Invalidate();
    for (Surface& surface : surfaces_) {
        const Rect part = Intersection(area, surface.place);
        if (IsEmpty(part) || surface.buffer == nullptr) continue;
        cairo_surface_flush(surface.buffer);
        for (std::int32_t y = part.top; y < part.bottom; ++y) {
            std::uint32_t* row = LayoutRow(surface, y);
            std::fill(row + (part.left - surface.place.left), row + (part.right - surface.place.left), 0u);
        }
        Touched(surface, part);
    }
}

void WaylandPresenter::Invalidate() {
    for (Image& image : images_) image.current = false;
}

bool WaylandPresenter::Present(const RowSource& rows, std::int32_t width, std::int32_t height,
                               const std::vector<CanvasCopy>& copies, RowSpan drawn, std::size_t firstImage) {
    if (width <= 0 || height <= 0) return false;
    drawn.top = std::max<std::int32_t>(drawn.top, 0);
    drawn.bottom = std::min<std::int32_t>(drawn.bottom, height);
    bool sent = false;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const CanvasCopy& copy = copies[i];
        const ImageSize size = CopyImageSize(copy, width, height);
        if (images_.size() <= firstImage + i) images_.resize(firstImage + i + 1);
        Image& image = images_[firstImage + i];
        if (image.width != size.width || image.height != size.height) {
            image.width = size.width;
            image.height = size.height;
            image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
            image.current = false;
        }
        if (image.pixels.empty()) continue;
        const bool same = image.current && image.destination == copy.destination;
        const RowSpan written = WriteCopyRows(rows, width, height, copy, same ? drawn : RowSpan{0, height},
                                              image.pixels.data(), static_cast<std::size_t>(image.width));
        if (written.Empty()) continue;
        Blit(image, copy, written.top, written.bottom);
        image.current = true;
        image.destination = copy.destination;
        sent = true;
    }
    return sent;
}

// Rows [top, bottom) of the copy's image go to the surfaces under its place, clipped to its
// monitor.
void WaylandPresenter::Blit(const Image& image, const CanvasCopy& copy, std::int32_t top, std::int32_t bottom) {
    const Rect rows{copy.destination.left, copy.destination.top + top, copy.destination.left + image.width,
                    copy.destination.top + bottom};
    const Rect visible = Intersection(rows, copy.monitor);
    if (IsEmpty(visible)) return;
    for (Surface& surface : surfaces_) {
        const Rect part = Intersection(visible, surface.place);
        if (IsEmpty(part) || surface.buffer == nullptr) continue;
        cairo_surface_flush(surface.buffer);
        const auto count = static_cast<std::size_t>(part.right - part.left);
        for (std::int32_t y = part.top; y < part.bottom; ++y) {
            const std::uint32_t* from = image.pixels.data() +
                                        static_cast<std::size_t>(y - copy.destination.top) * static_cast<std::size_t>(image.width) +
                                        static_cast<std::size_t>(part.left - copy.destination.left);
            std::memcpy(LayoutRow(surface, y) + (part.left - surface.place.left), from, count * 4);
        }
        Touched(surface, part);
    }
}

void WaylandPresenter::DrawText(std::int32_t x, std::int32_t y, const std::string& text) {
    for (Surface& surface : surfaces_) {
        if (surface.buffer == nullptr || x < surface.place.left || x >= surface.place.right || y < surface.place.top ||
            y >= surface.place.bottom)
            continue;
        cairo_t* cr = cairo_create(surface.buffer);
        // The buffer's device scale would enlarge the text: it is placed in device pixels.
        cairo_scale(cr, 1.0 / surface.scale, 1.0 / surface.scale);
        cairo_select_font_face(cr, "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 12);
        cairo_text_extents_t extents{};
        cairo_text_extents(cr, text.c_str(), &extents);
        const double left = x - surface.place.left;
        const double base = y - surface.place.top;
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_rectangle(cr, left, base - 12, extents.x_advance + 2, 16);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, left, base);
        cairo_show_text(cr, text.c_str());
        cairo_destroy(cr);
        AddDamage(surface, Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(base) - 12,
                                static_cast<std::int32_t>(left + extents.x_advance) + 3, static_cast<std::int32_t>(base) + 4});
    }
}

void WaylandPresenter::UseOwnBuffers(wl_display* display) {
    shm_ = std::make_unique<WaylandShm>(display);
    if (!shm_->Ok()) shm_.reset();
}

void WaylandPresenter::ShowOwn(Surface& surface, const Damage& changed) {
    if (surface.own == nullptr) {
        GtkWidget* top = gtk_widget_get_toplevel(surface.widget);
        GdkWindow* window = top != nullptr ? gtk_widget_get_window(top) : nullptr;
        wl_surface* target = window != nullptr ? gdk_wayland_window_get_wl_surface(window) : nullptr;
        if (target == nullptr) return;
        surface.own = std::make_unique<WaylandSurfaceBuffers>(*shm_, target, surface.place.right - surface.place.left,
                                                              surface.place.bottom - surface.place.top, surface.scale);
    }
    cairo_surface_flush(surface.buffer);
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface.buffer));
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface.buffer)) / 4;
    surface.ownPending = !surface.own->Show(pixels, stride, changed);
}

void WaylandPresenter::ShowPending() {
    for (Surface& surface : surfaces_)
        if (surface.ownPending && surface.own != nullptr) ShowOwn(surface, Damage{});
}

void WaylandPresenter::Finish() {
    for (Surface& surface : surfaces_) {
        if (surface.damage.Empty() || surface.widget == nullptr) continue;
        // Until GTK has drawn the surface once it is GTK's: the compositor first wants the
        // surface configured, which GTK and the layer shell see to.
        if (shm_ != nullptr && surface.drawnByGtk && surface.buffer != nullptr) {
            ShowOwn(surface, surface.damage);
            if (surface.own != nullptr) {
                surface.damage.Clear();
                continue;
            }
        }
        // GTK takes logical pixels: the damage is rounded outward to whole ones.
        const std::int32_t s = surface.scale;
        for (const Rect& part : surface.damage.Rects()) {
            const std::int32_t left = part.left / s;
            const std::int32_t top = part.top / s;
            const std::int32_t right = (part.right + s - 1) / s;
            const std::int32_t bottom = (part.bottom + s - 1) / s;
            gtk_widget_queue_draw_area(surface.widget, left, top, right - left, bottom - top);
        }
        surface.damage.Clear();
    }
}
