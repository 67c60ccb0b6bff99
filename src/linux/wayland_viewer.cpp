// orvane on Wayland, through GTK 3: the overlay (a layer-shell surface on every output, for idle
// daemons and lockers) and the window (an xdg-shell toplevel). The ticks, the record and the
// placement are the X11 viewer's own (viewer_core.h); this file only keeps the surfaces, their
// input and their sizes.
#include "linux/wayland_viewer.h"

#include <glib-unix.h>
#include <gtk-layer-shell.h>
#include <gdk/gdkwayland.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "linux/viewer_core.h"
#include "linux/wayland_presenter.h"
#include "reader/pointer_travel.h"
#include "reader/tick_schedule.h"

static_assert(kKeyF1 == GDK_KEY_F1 && kKeyEscape == GDK_KEY_Escape && GDK_KEY_q == 'q' && GDK_KEY_Q == 'Q');

namespace {

class WaylandViewer {
public:
    explicit WaylandViewer(const ViewerOptions& options)
        : options_(options), overlay_(options.target == ViewerTarget::Overlay), core_(options) {}
    ~WaylandViewer() {
        const std::vector<Output> outputs = outputs_;
        outputs_.clear();
        for (const Output& output : outputs) gtk_widget_destroy(output.window);
    }

    int Run();

private:
    struct Output {
        GdkMonitor* monitor = nullptr;  // the overlay's output; null for the window
        GtkWidget* window = nullptr;
        GtkWidget* area = nullptr;
    };

    void AddOutput(GdkMonitor* monitor);
    void Reshape();
    void End() {
        if (!ending_) gtk_main_quit();
        ending_ = true;
    }
    // The overlay ends on input, as a screen saver does; the window only on its keys.
    void OnKey(guint keyval);
    void OnPointer(GtkWidget* area, double x, double y);

    static gboolean OnTick(gpointer self);
    static gboolean DispatchTick(GSource* source, GSourceFunc callback, gpointer self);
    void PlanTick();
    static gboolean OnStopSignal(gpointer self);
    static gboolean OnConnectionLost(gint fd, GIOCondition condition, gpointer self);
    static gboolean OnDraw(GtkWidget* area, cairo_t* cr, gpointer self);
    static void OnSizeChanged(GtkWidget* area, GdkRectangle* allocation, gpointer self);
    static void OnScaleChanged(GObject* area, GParamSpec* param, gpointer self);
    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean OnEnter(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void OnRealize(GtkWidget* area, gpointer self);
    static void OnMonitorAdded(GdkDisplay* display, GdkMonitor* monitor, gpointer self);
    static void OnMonitorRemoved(GdkDisplay* display, GdkMonitor* monitor, gpointer self);
    static void OnWindowDestroyed(GtkWidget* window, gpointer self);

    ViewerOptions options_;
    bool overlay_;
    ViewerCore<WaylandPresenter> core_;
    WaylandPresenter presenter_;
    std::vector<Output> outputs_;
    std::unique_ptr<TickSchedule> ticks_;
    GSource* tickSource_ = nullptr;
    bool ending_ = false;
    // Where the pointer was first seen, in the plane of the outputs: travel is measured from there.
    bool pointerKnown_ = false;
    std::int32_t pointerX_ = 0;
    std::int32_t pointerY_ = 0;
};

void WaylandViewer::AddOutput(GdkMonitor* monitor) {
    Output output;
    output.monitor = monitor;
    output.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(output.window);
    if (overlay_) {
        gtk_layer_init_for_window(window);
        gtk_layer_set_namespace(window, "orvane");
        gtk_layer_set_layer(window, GTK_LAYER_SHELL_LAYER_OVERLAY);
        gtk_layer_set_monitor(window, monitor);
        for (GtkLayerShellEdge edge : {GTK_LAYER_SHELL_EDGE_LEFT, GTK_LAYER_SHELL_EDGE_RIGHT, GTK_LAYER_SHELL_EDGE_TOP,
                                       GTK_LAYER_SHELL_EDGE_BOTTOM})
            gtk_layer_set_anchor(window, edge, TRUE);
        // -1: over panels and bars too, not beside them.
        gtk_layer_set_exclusive_zone(window, -1);
        gtk_layer_set_keyboard_mode(window, GTK_LAYER_SHELL_KEYBOARD_MODE_EXCLUSIVE);
    } else {
        gtk_window_set_title(window, "Orvane");
        gtk_window_set_default_size(window, kCanvasWidth, kCanvasHeight);
        gtk_window_set_resizable(window, TRUE);
        g_signal_connect(output.window, "delete-event", G_CALLBACK(OnDelete), this);
    }
    output.area = gtk_drawing_area_new();
    gtk_widget_set_can_focus(output.area, TRUE);
    gtk_widget_add_events(output.area, GDK_KEY_PRESS_MASK | GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK |
                                           GDK_ENTER_NOTIFY_MASK);
    gtk_container_add(GTK_CONTAINER(output.window), output.area);
    g_signal_connect(output.area, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(output.area, "size-allocate", G_CALLBACK(OnSizeChanged), this);
    g_signal_connect(output.area, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    g_signal_connect(output.area, "realize", G_CALLBACK(OnRealize), this);
    g_signal_connect(output.window, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(output.window, "destroy", G_CALLBACK(OnWindowDestroyed), this);
    g_signal_connect(output.area, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(output.area, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(output.area, "enter-notify-event", G_CALLBACK(OnEnter), this);
    if (monitor != nullptr) g_signal_connect(monitor, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    outputs_.push_back(output);
    gtk_widget_show_all(output.window);
    gtk_widget_grab_focus(output.area);
}

// The outputs side by side in one plane, each in its device pixels, the one at the desktop's
// origin counted as the primary: Wayland has no primary output, and the compositor puts its
// first output there.
void WaylandViewer::Reshape() {
    std::vector<MonitorInfo> monitors;
    std::int32_t x = 0;
    std::int32_t tallest = 0;
    std::size_t index = 0;
    for (const Output& output : outputs_) {
        // The overlay shows its surfaces through buffers of its own, at its output's scale: GTK 3
        // keeps a surface at the scale of the output it first entered, even when that output's
        // scale changes or was not yet known.
        const std::int32_t scale = std::max(output.monitor != nullptr ? gdk_monitor_get_scale_factor(output.monitor)
                                                                      : gtk_widget_get_scale_factor(output.area),
                                            1);
        const std::int32_t width = gtk_widget_get_allocated_width(output.area) * scale;
        const std::int32_t height = gtk_widget_get_allocated_height(output.area) * scale;
        const Rect place{x, 0, x + width, height};
        presenter_.SetSurface(index++, output.area, place, scale);
        bool primary = !overlay_;
        if (output.monitor != nullptr) {
            GdkRectangle geometry{};
            gdk_monitor_get_geometry(output.monitor, &geometry);
            primary = geometry.x == 0 && geometry.y == 0;
        }
        if (width > 0 && height > 0) monitors.push_back(MonitorInfo{place, kBaseDpi * scale, primary});
        x += width;
        tallest = std::max(tallest, height);
    }
    core_.Reshape(presenter_, Rect{0, 0, x, tallest}, monitors);
    presenter_.Finish();
}

void WaylandViewer::OnKey(guint keyval) {
    if (overlay_) {
        End();
        return;
    }
    // GDK's key values are X keysyms, which the window's rule is written in.
    switch (OwnWindowKeyAction(keyval, core_.HelpShown())) {
    case KeyAction::Close:
        End();
        break;
    case KeyAction::ToggleHelp:
        core_.ToggleHelp(presenter_);
        break;
    case KeyAction::HideHelp:
        core_.HideHelp(presenter_);
        presenter_.Finish();
        break;
    case KeyAction::Ignore:
        break;
    }
}

void WaylandViewer::OnPointer(GtkWidget* area, double x, double y) {
    if (!overlay_) return;
    std::int32_t left = 0;
    for (const Output& output : outputs_) {
        if (output.area == area) break;
        left += gtk_widget_get_allocated_width(output.area);
    }
    const auto px = static_cast<std::int32_t>(x) + left;
    const auto py = static_cast<std::int32_t>(y);
    if (!pointerKnown_) {
        pointerKnown_ = true;
        pointerX_ = px;
        pointerY_ = py;
        return;
    }
    if (CursorMovedBeyondThreshold(px, py, pointerX_, pointerY_)) End();
}

gboolean WaylandViewer::OnTick(gpointer self) {
    auto* viewer = static_cast<WaylandViewer*>(self);
    const auto now = std::chrono::steady_clock::now();
    viewer->presenter_.ShowPending();
    if (viewer->ticks_->Due(now)) viewer->core_.Tick(viewer->presenter_, now);
    viewer->PlanTick();
    return G_SOURCE_CONTINUE;
}

// A GLib timeout is re-armed from the moment it ran, so its lateness adds up (29.7 ticks a
// second for 30.3); a source woken at the schedule's own times keeps the rhythm.
void WaylandViewer::PlanTick() {
    const auto remaining = ticks_->Remaining(std::chrono::steady_clock::now());
    g_source_set_ready_time(tickSource_,
                            g_get_monotonic_time() + std::chrono::duration_cast<std::chrono::microseconds>(remaining).count());
}

gboolean WaylandViewer::DispatchTick(GSource*, GSourceFunc callback, gpointer self) { return callback(self); }

gboolean WaylandViewer::OnStopSignal(gpointer self) {
    static_cast<WaylandViewer*>(self)->End();
    return G_SOURCE_CONTINUE;
}

// GDK ends the process itself (_exit) when the compositor's connection breaks, which would leave
// the records saying that a saver is attached. This watch runs at a higher priority than GDK's
// own source, so GLib hands it the hang-up first; it leaves as the X11 front end does when it
// loses its display.
gboolean WaylandViewer::OnConnectionLost(gint, GIOCondition, gpointer self) {
    std::fprintf(stderr, "orvane: the connection to the Wayland compositor was lost\n");
    static_cast<WaylandViewer*>(self)->core_.Detach();
    std::_Exit(1);
}

gboolean WaylandViewer::OnDraw(GtkWidget* area, cairo_t* cr, gpointer self) {
    static_cast<WaylandViewer*>(self)->presenter_.Draw(area, cr);
    return TRUE;
}

void WaylandViewer::OnSizeChanged(GtkWidget*, GdkRectangle*, gpointer self) {
    static_cast<WaylandViewer*>(self)->Reshape();
}

void WaylandViewer::OnScaleChanged(GObject*, GParamSpec*, gpointer self) { static_cast<WaylandViewer*>(self)->Reshape(); }

gboolean WaylandViewer::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    static_cast<WaylandViewer*>(self)->OnKey(event->keyval);
    return TRUE;
}

gboolean WaylandViewer::OnButtonPress(GtkWidget*, GdkEventButton*, gpointer self) {
    auto* viewer = static_cast<WaylandViewer*>(self);
    if (viewer->overlay_) viewer->End();
    return TRUE;
}

gboolean WaylandViewer::OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self) {
    static_cast<WaylandViewer*>(self)->OnPointer(widget, event->x, event->y);
    return TRUE;
}

gboolean WaylandViewer::OnEnter(GtkWidget* widget, GdkEventCrossing* event, gpointer self) {
    static_cast<WaylandViewer*>(self)->OnPointer(widget, event->x, event->y);
    return FALSE;
}

gboolean WaylandViewer::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<WaylandViewer*>(self)->End();
    return TRUE;
}

void WaylandViewer::OnRealize(GtkWidget* area, gpointer self) {
    if (!static_cast<WaylandViewer*>(self)->overlay_) return;
    GdkWindow* window = gtk_widget_get_window(area);
    GdkCursor* blank = gdk_cursor_new_for_display(gdk_window_get_display(window), GDK_BLANK_CURSOR);
    gdk_window_set_cursor(window, blank);
    g_object_unref(blank);
}

void WaylandViewer::OnMonitorAdded(GdkDisplay*, GdkMonitor* monitor, gpointer self) {
    auto* viewer = static_cast<WaylandViewer*>(self);
    viewer->AddOutput(monitor);
    viewer->Reshape();
}

// An output that goes takes its surface with it.
void WaylandViewer::OnMonitorRemoved(GdkDisplay*, GdkMonitor* monitor, gpointer self) {
    auto* viewer = static_cast<WaylandViewer*>(self);
    for (const Output& output : viewer->outputs_) {
        if (output.monitor != monitor) continue;
        gtk_widget_destroy(output.window);  // OnWindowDestroyed does the rest
        return;
    }
}

// A surface gone, with its output or closed by the compositor: the overlay lives on while any
// is left, and ends (exit 0, the marker back at 0) when none is.
void WaylandViewer::OnWindowDestroyed(GtkWidget* window, gpointer self) {
    auto* viewer = static_cast<WaylandViewer*>(self);
    for (auto it = viewer->outputs_.begin(); it != viewer->outputs_.end(); ++it) {
        if (it->window != window) continue;
        viewer->presenter_.RemoveSurface(it->area);
        viewer->outputs_.erase(it);
        if (viewer->outputs_.empty()) {
            viewer->End();
        } else {
            viewer->Reshape();
        }
        return;
    }
}

int WaylandViewer::Run() {
    GdkDisplay* display = gdk_display_get_default();
    if (overlay_) {
        if (!gtk_layer_is_supported()) {
            std::fprintf(stderr, "orvane: this Wayland compositor offers no layer shell, so -overlay cannot cover its outputs\n");
            return 1;
        }
        // A full-screen surface redrawn through GTK costs a copy of the output a frame.
        presenter_.UseOwnBuffers(gdk_wayland_display_get_wl_display(display));
        const int count = gdk_display_get_n_monitors(display);
        for (int i = 0; i < count; ++i) AddOutput(gdk_display_get_monitor(display, i));
        g_signal_connect(display, "monitor-added", G_CALLBACK(OnMonitorAdded), this);
        g_signal_connect(display, "monitor-removed", G_CALLBACK(OnMonitorRemoved), this);
        if (outputs_.empty()) {
            std::fprintf(stderr, "orvane: the Wayland compositor has no output to cover\n");
            return 1;
        }
    } else {
        AddOutput(nullptr);
    }
    g_unix_signal_add(SIGTERM, OnStopSignal, this);
    g_unix_signal_add(SIGINT, OnStopSignal, this);
    g_unix_signal_add(SIGHUP, OnStopSignal, this);
    g_unix_fd_add_full(G_PRIORITY_HIGH, wl_display_get_fd(gdk_wayland_display_get_wl_display(display)),
                       static_cast<GIOCondition>(G_IO_HUP | G_IO_ERR), OnConnectionLost, this, nullptr);
    const auto period = std::chrono::microseconds(options_.delayMicroseconds);
    ticks_ = std::make_unique<TickSchedule>(period, std::chrono::steady_clock::now());
    static GSourceFuncs tickFuncs{nullptr, nullptr, DispatchTick, nullptr, nullptr, nullptr};
    tickSource_ = g_source_new(&tickFuncs, sizeof(GSource));
    g_source_set_callback(tickSource_, OnTick, this, nullptr);
    PlanTick();
    g_source_attach(tickSource_, nullptr);
    gtk_main();
    g_source_destroy(tickSource_);
    g_source_unref(tickSource_);
    tickSource_ = nullptr;
    core_.Detach();
    return 0;
}

}  // namespace

int RunWaylandViewer(const ViewerOptions& options) {
    gdk_set_allowed_backends("wayland");
    g_set_prgname("orvane");
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* name = g_getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "orvane: cannot connect to the Wayland display \"%s\"\n", name != nullptr ? name : "wayland-0");
        return 1;
    }
    WaylandViewer viewer(options);
    return viewer.Run();
}
