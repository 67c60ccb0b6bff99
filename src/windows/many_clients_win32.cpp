#include "windows/many_clients_win32.h"

#include <algorithm>
#include <cstring>

#include "graphics/canvas_win32.h"
#include "record/record_family.h"
#include "screen/screen_layout.h"
#include "windows/controller.h"

namespace {

constexpr std::int32_t kLabelHeight = 16;  // the name's cell height at scale 1
constexpr std::int32_t kLabelMargin = 4;   // blank either side of the name, at scale 1
constexpr COLORREF kLabelColor = RGB(255, 255, 255);
constexpr COLORREF kWaitingColor = RGB(0, 255, 255);
constexpr char kWaitingLine[] = "Waiting for the Orvane clients (no shared record orvane_share to orvane_share_64)";

bool ClientMarkerExists(const std::string& name) {
    HANDLE marker = OpenEventA(SYNCHRONIZE, FALSE, (name + kClientMarkerSuffix).c_str());
    if (marker == nullptr) return false;
    CloseHandle(marker);
    return true;
}

CardState StateOf(const RosterClient& client) {
    if (client.ended) return CardState::Ended;
    return client.stale ? CardState::Stale : CardState::Live;
}

}  // namespace

ManyClientsView::ManyClientsView(const ClientsSettings& clients, const PlacementOptions& placement,
                                 std::int32_t priorityClass, std::uint32_t startMs)
    : settings_(clients), placement_(placement), startMs_(startMs) {
    RosterConfig config;
    // Each client served as the single reader serves its record: marker, flags, the board.
    config.reader = ReaderConfig{kSharedStatusName, kHeaderImageFile, false, false, priorityClass};
    // The overview draws cards from the records; no client's status screen is ever shown.
    config.reader.drawScreen = clients.mode == ClientsMode::Rotate;
    config.staleMinutes = clients.staleMinutes;
    config.findRecords = [this] { return LiveRecords(); };
    roster_ = std::make_unique<ClientRoster>(std::move(config));
}

ManyClientsView::~ManyClientsView() {
    DetachAll();
    if (labelFont_ != nullptr) DeleteObject(labelFont_);
}

// A Windows record stays while any reader holds it, so the saver's own handle would keep an
// ended client's record alive: a record whose client was once seen running by its marker counts
// as gone when the marker is. A client that never showed a marker (not made through the library)
// counts as running while its record is there, as the single reader has always taken it.
std::vector<std::string> ManyClientsView::LiveRecords() {
    std::vector<std::string> live;
    for (const std::string& name : FindFamilyRecords()) {
        if (ClientMarkerExists(name)) {
            marked_.insert(name);
        } else if (marked_.count(name) != 0) {
            continue;
        }
        live.push_back(name);
    }
    return live;
}

void ManyClientsView::Place(const std::vector<MonitorInfo>& monitors, POINT origin, std::uint32_t nowMs) {
    monitors_ = monitors;
    origin_ = origin;
    force_ = true;
    if (settings_.mode == ClientsMode::Rotate) {
        placedMinute_ = placement_.shift ? (nowMs - startMs_) / kMillisecondsPerShift : 0;
        copies_ = PlaceCanvas(monitors_, placement_, kCanvasWidth, kCanvasHeight, placedMinute_);
        turns_.resize(copies_.size());
        shown_.assign(copies_.size(), Shown{});
        return;
    }
    grids_.clear();
    for (const MonitorOverview& place : PlaceOverviews(monitors_, placement_))
        grids_.push_back(Grid{place, std::make_unique<OverviewBoard>(place.layout)});
}

RECT ManyClientsView::ToClient(const Rect& r) const {
    return RECT{r.left - origin_.x, r.top - origin_.y, r.right - origin_.x, r.bottom - origin_.y};
}

void ManyClientsView::FillBlack(HDC dc, const Rect& r) const {
    const RECT area = ToClient(r);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void ManyClientsView::Tick(HWND window, std::uint32_t nowMs) {
    if (!drawing_) return;
    roster_->Tick(nowMs);
    HDC dc = GetDC(window);
    if (settings_.mode == ClientsMode::Rotate) {
        TickRotation(dc, nowMs);
    } else {
        TickOverview(dc, nowMs);
    }
    ReleaseDC(window, dc);
    force_ = false;
}

void ManyClientsView::TickRotation(HDC dc, std::uint32_t nowMs) {
    std::vector<Rect> leftBehind;
    if (placement_.shift) {
        const std::uint32_t minute = (nowMs - startMs_) / kMillisecondsPerShift;
        if (minute != placedMinute_) {
            placedMinute_ = minute;
            const std::vector<CanvasCopy> before = copies_;
            copies_ = PlaceCanvas(monitors_, placement_, kCanvasWidth, kCanvasHeight, placedMinute_);
            if (before != copies_) {
                // The names go first: a moved screen may cover where one was.
                for (Shown& shown : shown_) {
                    if (shown.label) FillBlack(dc, *shown.label);
                    shown.label.reset();
                }
                leftBehind = LeftBehind(before, copies_);
                force_ = true;
            }
        }
    }
    const std::vector<std::string> names = roster_->ShownNames();
    ShowWaiting(dc, names.empty());
    const std::uint32_t periodMs = static_cast<std::uint32_t>(settings_.rotateSeconds) * 1000u;
    std::vector<std::string> titles(copies_.size());
    for (std::size_t k = 0; k < copies_.size(); ++k) {
        const CanvasCopy& copy = copies_[k];
        const int index = NextRotation(turns_[k], names, k, periodMs, nowMs);
        RosterClient* client = index >= 0 ? roster_->Find(names[static_cast<std::size_t>(index)]) : nullptr;
        if (client == nullptr || !client->HasScreen()) {
            if (!shown_[k].name.empty()) FillBlack(dc, copy.destination);
            shown_[k].name.clear();
            continue;
        }
        titles[k] = client->Title();
        if (client->name != shown_[k].name || client->drewThisTick || force_) {
            CopyToMonitor(dc, copy, copy.destination, CanvasDC(*client->session->Screen()), kCanvasWidth, kCanvasHeight);
            shown_[k].name = client->name;
        }
    }
    // The new places first, then what they left: never a black frame in between.
    for (const Rect& part : leftBehind) FillBlack(dc, part);
    for (std::size_t k = 0; k < copies_.size(); ++k) ShowLabel(dc, k, titles[k]);
}

void ManyClientsView::ShowLabel(HDC dc, std::size_t k, const std::string& title) {
    Shown& shown = shown_[k];
    if (!force_ && title == shown.title) return;
    if (shown.label) FillBlack(dc, *shown.label);
    shown.label.reset();
    shown.title = title;
    if (title.empty()) return;
    const CanvasCopy& copy = copies_[k];
    if (labelFont_ == nullptr || labelFontScale_ != copy.scale) {
        if (labelFont_ != nullptr) DeleteObject(labelFont_);
        labelFont_ = CreateFontA(kLabelHeight * copy.scale, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
        labelFontScale_ = copy.scale;
    }
    const HGDIOBJ previous = SelectObject(dc, labelFont_);
    const int length = static_cast<int>(std::min<std::size_t>(title.size(), kMaxLabelLength + 64));
    SIZE extent{};
    GetTextExtentPoint32A(dc, title.c_str(), length, &extent);
    // Room either side for a glyph that reaches past its advance (a bold face made from the
    // regular one does), which the measured width leaves out.
    const std::optional<Rect> place =
        LabelPlace(copy, extent.cx + 2 * kLabelMargin * copy.scale, kLabelHeight * copy.scale);
    if (place) {
        const RECT area = ToClient(*place);
        SetTextColor(dc, kLabelColor);
        SetBkColor(dc, RGB(0, 0, 0));
        // Clipped to its place, which LabelPlace keeps clear of the status screen.
        const int x = area.left + std::max<int>(0, (area.right - area.left - extent.cx) / 2);
        ExtTextOutA(dc, x, area.top, ETO_OPAQUE | ETO_CLIPPED, &area, title.c_str(), static_cast<UINT>(length), nullptr);
        shown.label = place;
    }
    SelectObject(dc, previous);
}

void ManyClientsView::ShowWaiting(HDC dc, bool waiting) {
    if (waiting == waiting_ && !force_) return;
    waiting_ = waiting;
    const std::int32_t primary = PrimaryMonitorIndex(monitors_);
    if (primary < 0) return;
    const Rect& m = monitors_[static_cast<std::size_t>(primary)].area;
    SIZE extent{};
    GetTextExtentPoint32A(dc, kWaitingLine, static_cast<int>(std::strlen(kWaitingLine)), &extent);
    const std::int32_t left = m.left + (m.right - m.left - extent.cx) / 2;
    const std::int32_t top = m.top + (m.bottom - m.top - extent.cy) / 2;
    const Rect line{left, top, left + extent.cx, top + extent.cy};
    if (!waiting) {
        FillBlack(dc, line);
        return;
    }
    const RECT area = ToClient(line);
    SetTextColor(dc, kWaitingColor);
    SetBkColor(dc, RGB(0, 0, 0));
    ExtTextOutA(dc, area.left, area.top, ETO_OPAQUE, &area, kWaitingLine, static_cast<UINT>(std::strlen(kWaitingLine)),
                nullptr);
}

void ManyClientsView::TickOverview(HDC dc, std::uint32_t nowMs) {
    // Every client with a record to show, ended ones too (their card says so), in the family's
    // order; the facts of each are taken again only when something may have changed.
    std::vector<const CardFacts*> cards;
    std::map<std::string, Card> kept;
    for (const RosterClient& client : roster_->Clients()) {
        const SharedStatus* record = client.session != nullptr ? client.session->Record() : nullptr;
        if (record == nullptr) continue;
        const CardState state = StateOf(client);
        auto known = cards_.find(client.name);
        if (known == cards_.end() || client.drewThisTick || known->second.facts.state != state ||
            known->second.label != client.label) {
            kept[client.name] = Card{client.label, CardFactsFor(*record, client.name, client.label, state)};
        } else {
            kept[client.name] = std::move(known->second);
        }
    }
    cards_ = std::move(kept);
    for (const RosterClient& client : roster_->Clients()) {
        const auto known = cards_.find(client.name);
        if (known != cards_.end()) cards.push_back(&known->second.facts);
    }
    ShowWaiting(dc, cards.empty());

    const std::uint32_t periodMs = static_cast<std::uint32_t>(settings_.rotateSeconds) * 1000u;
    const auto count = static_cast<std::int32_t>(cards.size());
    for (Grid& grid : grids_) {
        const OverviewLayout& layout = grid.place.layout;
        const std::int32_t page = OverviewPageAt(layout, count, nowMs - startMs_, periodMs);
        const OverviewPage shown = layout.Page(page, count);
        std::vector<CardFacts> onPage;
        onPage.reserve(static_cast<std::size_t>(shown.count));
        for (std::int32_t i = 0; i < shown.count; ++i) onPage.push_back(*cards[static_cast<std::size_t>(shown.first + i)]);
        if (force_) grid.board->Invalidate();
        if (grid.board->Show(onPage).empty() && !force_) continue;
        const CanvasCopy copy{grid.place.monitor, layout.destination, layout.scale};
        CopyToMonitor(dc, copy, layout.destination, CanvasDC(grid.board->canvas()), layout.BoardWidth(),
                      layout.BoardHeight());
    }
}

void ManyClientsView::StopDrawing() {
    drawing_ = false;
    for (RosterClient& client : roster_->Clients())
        if (client.session != nullptr) client.session->StopDrawing();
}

void ManyClientsView::DetachAll() {
    if (roster_ != nullptr) roster_->DetachAll();
}
