// The viewer showing every client of the machine: each client's status screen in turn (rotate)
// or a card per client (overview), one picture per chosen monitor. The roster serves every live
// client each tick; this only chooses what each monitor shows and sends what changed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/raster_surface.h"
#include "graphics/gdi_object.h"
#include "linux/viewer_logic.h"
#include "reader/client_roster.h"
#include "screen/overview_card_facts.h"

class RosterView {
public:
    RosterView(const ViewerOptions& options, const ReaderConfig& reader, std::uint32_t nowMs);
    ~RosterView();
    RosterView(const RosterView&) = delete;
    RosterView& operator=(const RosterView&) = delete;

    // The window's monitors changed: every picture goes to its new place whole.
    void Reshape(const std::vector<MonitorInfo>& monitors, std::uint32_t nowMs);
    // Ticks every client and chooses what each monitor shows. True when the pictures changed,
    // so that Present has something to send.
    bool Tick(std::uint32_t nowMs);
    // Sends what changed since the last Present, or everything with `whole`; what moving
    // copies left behind is filled black. True when anything was sent.
    // Presenter: X11Presenter or WaylandPresenter (instantiated for those in roster_view.cpp).
    template <class Presenter>
    bool Present(Presenter& presenter, bool whole);
    // Whether any client is shown (otherwise the front end shows the waiting line).
    bool Showing() const { return showing_; }
    // The first monitor's area, for the frame-rate overlay.
    Rect FirstMonitor() const;
    void DetachAll() { roster_.DetachAll(); }

private:
    struct Screen;
    void PlaceRotation(std::uint32_t nowMs);
    bool TickRotation(std::uint32_t nowMs);
    bool TickOverview(std::uint32_t nowMs);
    template <class Presenter>
    bool PresentRotation(Presenter& presenter);
    template <class Presenter>
    bool PresentOverview(Presenter& presenter);
    void DrawTitle(Screen& screen, const std::string& title);

    ViewerOptions options_;
    ClientRoster roster_;
    std::uint32_t startMs_;
    std::vector<MonitorInfo> monitors_;  // the chosen ones
    std::vector<std::unique_ptr<Screen>> screens_;  // one per chosen monitor
    std::vector<Rect> uncovered_;
    std::map<std::string, RowSpan> pendingRows_;  // rows each client drew since the last Present
    std::vector<CardFacts> cards_;                // what each client's card shows, in their order
    std::vector<std::string> cardNames_;          // whose card each is
    std::uint32_t placedMinute_ = 0;
    bool showing_ = false;
    std::unique_ptr<GdiObject> titleFont_;
};
