// The saver showing every client of the machine (Windows only): the roster of the family's
// records, each client's status screen in turn ("Clients" rotate) or a grid of cards on each
// monitor (overview). The controller hands it the window's ticks while "Clients" is not one;
// it launches no client.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "reader/client_roster.h"
#include "screen/overview_board.h"
#include "screen/overview_card_facts.h"
#include "windows/many_clients.h"
#include "windows/settings.h"

class ManyClientsView {
public:
    ManyClientsView(const ClientsSettings& clients, const PlacementOptions& placement, std::int32_t priorityClass,
                    std::uint32_t startMs);
    ~ManyClientsView();
    ManyClientsView(const ManyClientsView&) = delete;
    ManyClientsView& operator=(const ManyClientsView&) = delete;

    // Where the screens or the cards go; `origin` is the window's client area in virtual-screen
    // coordinates. Everything is drawn again on the next tick.
    void Place(const std::vector<MonitorInfo>& monitors, POINT origin, std::uint32_t nowMs);
    // Serves every client and presents what changed.
    void Tick(HWND window, std::uint32_t nowMs);
    // Blank: no client is served or drawn from now on; other readers of each record serve it.
    void StopDrawing();
    void ForcePresent() { force_ = true; }
    // Every record's marker back where this was its last reader; for the window's end.
    void DetachAll();
    const ClientRoster& Roster() const { return *roster_; }

private:
    struct Shown {  // what a rotating copy shows
        std::string name;
        std::string title;
        std::optional<Rect> label;
    };
    struct Grid {
        MonitorOverview place;
        std::unique_ptr<OverviewBoard> board;
    };

    std::vector<std::string> LiveRecords();
    void TickRotation(HDC dc, std::uint32_t nowMs);
    void TickOverview(HDC dc, std::uint32_t nowMs);
    void ShowLabel(HDC dc, std::size_t copy, const std::string& title);
    void ShowWaiting(HDC dc, bool waiting);
    RECT ToClient(const Rect& r) const;
    void FillBlack(HDC dc, const Rect& r) const;

    ClientsSettings settings_;
    PlacementOptions placement_;
    std::uint32_t startMs_;
    std::unique_ptr<ClientRoster> roster_;
    std::set<std::string> marked_;  // names whose running client was seen by its marker
    std::vector<MonitorInfo> monitors_;
    POINT origin_{0, 0};
    bool force_ = true;
    bool drawing_ = true;
    bool waiting_ = false;

    std::vector<CanvasCopy> copies_;
    std::uint32_t placedMinute_ = 0;
    std::vector<RotationTurn> turns_;
    std::vector<Shown> shown_;
    HFONT labelFont_ = nullptr;
    std::int32_t labelFontScale_ = 0;

    std::vector<Grid> grids_;
    // Each client's card as last taken from its record, by name: taken again only after a tick
    // that drew, or when its label or state changes.
    struct Card {
        std::string label;
        CardFacts facts;
    };
    std::map<std::string, Card> cards_;
};
