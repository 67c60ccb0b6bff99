// What the Linux viewer does every tick, whatever shows its pictures: the record's session (or
// the roster of every client), the waiting line, the frame-rate overlay, and sending only what
// changed. X11 and Wayland each bring a presenter (x11_presenter.h, wayland_presenter.h) with
// the same few calls and their own events; the choice between them is made per run, so the core
// is a template over the presenter rather than an interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "graphics/gdi_object.h"
#include "linux/roster_view.h"
#include "linux/viewer_logic.h"
#include "reader/header_image.h"
#include "reader/reader_session.h"

#ifndef ORVANE_DATA_DIR
#define ORVANE_DATA_DIR ""
#endif

inline std::string ViewerHeaderImage(const ViewerOptions& options) {
    if (!options.headerPath.empty()) return options.headerPath;
    // <prefix>/libexec/xscreensaver/orvane -> <prefix>/share/orvane
    return FindHeaderImage("../../share/orvane/", ORVANE_DATA_DIR);
}

template <class Presenter>
class ViewerCore {
public:
    using Clock = std::chrono::steady_clock;

    explicit ViewerCore(const ViewerOptions& options)
        : options_(options),
          session_(ReaderConfig{options.recordName, ViewerHeaderImage(options), false, true, CaptureSaverPriorityClass()},
                   NowMs()) {
        // Many clients: the roster serves them all; the single session is never ticked.
        if (options.clients != ClientsMode::One) {
            roster_ = std::make_unique<RosterView>(
                options,
                ReaderConfig{kSharedStatusName, ViewerHeaderImage(options), false, true, CaptureSaverPriorityClass()},
                NowMs());
        }
        MakeWaitingLine();
    }
    ViewerCore(const ViewerCore&) = delete;
    ViewerCore& operator=(const ViewerCore&) = delete;

    static std::uint32_t NowMs() {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
    }

    // The surface's area and its monitors changed (or are first known): everything goes to its
    // new place whole, over black.
    void Reshape(Presenter& presenter, const Rect& area, const std::vector<MonitorInfo>& monitors) {
        area_ = area;
        monitors_ = monitors;
        PlaceCopies();
        presenter.FillBlack(area_);
        session_.ForcePresent();
        if (roster_ != nullptr) {
            roster_->Reshape(monitors_, NowMs());
            rosterWhole_ = true;
        }
    }

    // The surface lost its pixels (exposed, or given new buffers): the next tick sends it all.
    void Invalidate(Presenter& presenter) {
        presenter.Invalidate();
        session_.ForcePresent();
        rosterWhole_ = true;
    }

    // True when the tick sent the presenter anything.
    bool Tick(Presenter& presenter, Clock::time_point now) {
        if (roster_ != nullptr) return TickRoster(presenter, now);
        // The record is looked for once a second while there is none; never started here: the
        // session's owner (XScreenSaver, the idle daemon) is not the viewer.
        const TickOutcome outcome = session_.Tick(NowMs());
        bool spoke = false;
        if (session_.Attached() != wasAttached_) {
            // The status screen and the waiting line do not cover the same pixels.
            wasAttached_ = session_.Attached();
            presenter.FillBlack(area_);
            spoke = true;
        }
        CountFrames(now);
        if (outcome.present) spoke = PresentAll(presenter) || spoke;
        for (const Rect& part : outcome.uncovered) presenter.FillBlack(part);
        return spoke || !outcome.uncovered.empty();
    }

    // Every record back to "no saver attached": on every way out, a lost display's included.
    void Detach() {
        session_.Detach();
        if (roster_ != nullptr) roster_->DetachAll();
    }

    const std::string& RecordName() const { return options_.recordName; }
    bool Attached() const { return roster_ != nullptr ? roster_->Showing() : session_.Attached(); }

private:
    void MakeWaitingLine() {
        waitingBitmap_ = GdiObject::MakeBitmap(720, 32);
        waitingFont_ = GdiObject::MakeArialFont(20, false);
        waiting_ = std::make_unique<Canvas>(*waitingBitmap_);
        waiting_->FillBox(Rect{0, 0, 720, 32}, RgbColor{0, 0, 0});
        waiting_->UseFont(*waitingFont_);
        waiting_->SetForeground(RgbColor{255, 255, 255});
        waiting_->SetBackground(RgbColor{0, 0, 0});
        const std::string line = WaitingLine(options_.recordName);
        const TextSize size = waiting_->MeasureText(line.c_str());
        waiting_->PutText((720 - size.width) / 2, (32 - size.height) / 2, line.c_str());
    }

    void PlaceCopies() {
        session_.Place(monitors_, options_.placement, NowMs());
        const PlacementOptions plain{options_.placement.monitors, 1, false};
        waitingCopies_ = PlaceCanvas(monitors_, plain, waiting_->PixelWidth(), waiting_->PixelHeight(), 0);
    }

    bool PresentAll(Presenter& presenter) {
        const std::vector<CanvasCopy>& copies = session_.Copies();
        bool sent = false;
        if (session_.Attached()) {
            Canvas& canvas = *session_.Screen();
            sent = presenter.Present([&canvas](std::int32_t y) { return PixelRow(canvas, y); }, canvas.PixelWidth(),
                                     canvas.PixelHeight(), copies, TakeDrawnRows(canvas));
        } else {
            sent = PresentWaiting(presenter);
        }
        ++framesThisSecond_;
        if (options_.showFps && !copies.empty()) {
            presenter.DrawText(copies[0].monitor.left + 8, copies[0].monitor.top + 16, fpsText_);
            sent = true;
        }
        // A tick that changed no pixel talks to the display server not at all.
        if (sent) presenter.Finish();
        return sent;
    }

    bool PresentWaiting(Presenter& presenter) {
        Canvas& canvas = *waiting_;
        return presenter.Present([&canvas](std::int32_t y) { return PixelRow(canvas, y); }, canvas.PixelWidth(),
                                 canvas.PixelHeight(), waitingCopies_, TakeDrawnRows(canvas));
    }

    void CountFrames(Clock::time_point now) {
        if (now - fpsStart_ >= std::chrono::seconds(1)) {
            fpsText_ = FpsText(framesThisSecond_, std::chrono::duration<double>(now - fpsStart_).count());
            framesThisSecond_ = 0;
            fpsStart_ = now;
        }
    }

    bool TickRoster(Presenter& presenter, Clock::time_point now) {
        const bool changed = roster_->Tick(NowMs());
        bool spoke = false;
        if (roster_->Showing() != wasAttached_) {
            // The clients' pictures and the waiting line do not cover the same pixels.
            wasAttached_ = roster_->Showing();
            presenter.FillBlack(area_);
            rosterWhole_ = true;
            spoke = true;
        }
        CountFrames(now);
        if (!changed && !rosterWhole_) return spoke;
        bool sent = false;
        if (roster_->Showing()) {
            sent = roster_->Present(presenter, rosterWhole_);
        } else if (rosterWhole_) {
            presenter.Invalidate();
            sent = PresentWaiting(presenter);
        }
        rosterWhole_ = false;
        ++framesThisSecond_;
        const Rect first = roster_->FirstMonitor();
        if (options_.showFps && first.right > first.left) {
            presenter.DrawText(first.left + 8, first.top + 16, fpsText_);
            sent = true;
        }
        if (sent) presenter.Finish();
        return spoke || sent;
    }

    ViewerOptions options_;
    ReaderSession session_;
    std::unique_ptr<RosterView> roster_;  // with -clients rotate or overview
    bool rosterWhole_ = true;
    Rect area_{0, 0, 0, 0};
    std::vector<MonitorInfo> monitors_;
    std::vector<CanvasCopy> waitingCopies_;
    bool wasAttached_ = false;

    std::unique_ptr<GdiObject> waitingBitmap_;
    std::unique_ptr<GdiObject> waitingFont_;
    std::unique_ptr<Canvas> waiting_;

    std::uint32_t framesThisSecond_ = 0;
    Clock::time_point fpsStart_ = Clock::now();
    std::string fpsText_ = FpsText(0, 0);
};
