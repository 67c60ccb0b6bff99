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
#include "screen/help_card.h"

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

    // The help card over the screen, in a window of the viewer's own (the front end asks only
    // there: under a screen saver daemon, input is the daemon's).
    bool HelpShown() const { return helpShown_; }
    void ToggleHelp(Presenter& presenter) {
        if (helpShown_) {
            HideHelp(presenter);
            return;
        }
        helpShown_ = true;
        if (PresentHelp(presenter, kWholeScreen)) presenter.Finish();
    }
    void HideHelp(Presenter& presenter) {
        if (!helpShown_) return;
        helpShown_ = false;
        // An attached screen covers the card's place whole; the waiting line and the clients'
        // pictures may not, so what they leave uncovered goes back to black.
        if (roster_ != nullptr || !session_.Attached()) {
            for (const CanvasCopy& copy : helpCopies_) {
                const Rect shown = OnMonitor(copy);
                if (shown.right > shown.left && shown.bottom > shown.top) presenter.FillBlack(shown);
            }
        }
        Invalidate(presenter);
    }

private:
    static Rect OnMonitor(const CanvasCopy& copy) {
        const Rect& d = copy.destination;
        const Rect& m = copy.monitor;
        return Rect{std::max(d.left, m.left), std::max(d.top, m.top), std::min(d.right, m.right),
                    std::min(d.bottom, m.bottom)};
    }

    static constexpr RowSpan kWholeScreen{0, kCanvasHeight};

    // Sends the card over every copy of the screen, after the screen itself so that it lies on
    // top: rows `screenRows` of the status screen's canvas were just sent over it. The card
    // follows the record: it is redrawn when a client comes or goes.
    bool PresentHelp(Presenter& presenter, RowSpan screenRows) {
        if (!helpShown_) return false;
        helpCard_.Update(options_.recordName, Attached());
        // The roster's clients are placed as status screens are, one per chosen monitor.
        const PlacementOptions still{options_.placement.monitors, options_.placement.scale, false};
        const std::vector<CanvasCopy> screens =
            roster_ != nullptr ? PlaceCanvas(monitors_, still, kCanvasWidth, kCanvasHeight, 0) : session_.Copies();
        helpCopies_.clear();
        for (const CanvasCopy& screen : screens) helpCopies_.push_back(HelpCardCopy(screen));
        Canvas& card = helpCard_.Picture();
        const RowSpan cardRows = TakeDrawnRows(card);
        // The card's rows that the screen's rows overwrote, as card rows.
        RowSpan span{std::max(screenRows.top - kHelpCardTop, 0),
                     std::min(screenRows.bottom - kHelpCardTop, kHelpCardHeight)};
        if (!cardRows.Empty()) {
            span = span.Empty() ? cardRows
                                : RowSpan{std::min(span.top, cardRows.top), std::max(span.bottom, cardRows.bottom)};
        }
        return presenter.Present([&card](std::int32_t y) { return PixelRow(card, y); }, card.PixelWidth(),
                                 card.PixelHeight(), helpCopies_, span, kHelpImage);
    }

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
        const PlacementOptions plain{options_.placement.monitors, 1, false, options_.placement.reduceToFit};
        waitingCopies_ = PlaceCanvas(monitors_, plain, waiting_->PixelWidth(), waiting_->PixelHeight(), 0);
    }

    bool PresentAll(Presenter& presenter) {
        const std::vector<CanvasCopy>& copies = session_.Copies();
        bool sent = false;
        RowSpan overCard;
        if (session_.Attached()) {
            Canvas& canvas = *session_.Screen();
            const RowSpan drawn = TakeDrawnRows(canvas);
            sent = presenter.Present([&canvas](std::int32_t y) { return PixelRow(canvas, y); }, canvas.PixelWidth(),
                                     canvas.PixelHeight(), copies, drawn);
            // Only these rows can have gone over the card. A copy sent whole (moved, or its
            // pixels lost) moved or lost the card's image too, which the presenter then sends whole.
            overCard = sent ? drawn : RowSpan{};
        } else {
            sent = PresentWaiting(presenter);
            overCard = sent ? kWholeScreen : RowSpan{};
        }
        sent = PresentHelp(presenter, overCard) || sent;
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
        // Which rows the roster sent is its own business: all of the card goes again.
        sent = PresentHelp(presenter, sent ? kWholeScreen : RowSpan{}) || sent;
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

    // Above the images of the screen's copies and of the roster's pictures on any monitors.
    static constexpr std::size_t kHelpImage = 64;
    HelpCard helpCard_;
    bool helpShown_ = false;
    std::vector<CanvasCopy> helpCopies_;  // where the card was last sent

    std::unique_ptr<GdiObject> waitingBitmap_;
    std::unique_ptr<GdiObject> waitingFont_;
    std::unique_ptr<Canvas> waiting_;

    std::uint32_t framesThisSecond_ = 0;
    Clock::time_point fpsStart_ = Clock::now();
    std::string fpsText_ = FpsText(0, 0);
};
