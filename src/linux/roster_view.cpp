#include "linux/roster_view.h"

#include <algorithm>
#include <functional>
#include <map>
#include <span>
#include <optional>
#include <utility>

#include "graphics/canvas_raster.h"
#include "linux/x11_presenter.h"
#if ORVANE_WAYLAND
#include "linux/wayland_presenter.h"
#endif
#include "screen/overview_board.h"
#include "screen/overview_card_facts.h"
#include "screen/overview_layout.h"
#include "screen/screen_layout.h"

namespace {

constexpr RgbColor kBlack{0, 0, 0};
constexpr RgbColor kWhite{255, 255, 255};
constexpr std::uint32_t kMillisecondsPerSecond = 1000;

RowSpan Union(RowSpan a, RowSpan b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return RowSpan{std::min(a.top, b.top), std::max(a.bottom, b.bottom)};
}

std::function<const std::uint32_t*(std::int32_t)> RowsOf(const Canvas& canvas) {
    return [&canvas](std::int32_t y) { return PixelRow(canvas, y); };
}

CardState StateOf(const RosterClient& client) {
    if (client.ended) return CardState::Ended;
    return client.stale ? CardState::Stale : CardState::Live;
}

}  // namespace

struct RosterView::Screen {
    MonitorInfo monitor;
    bool whole = true;  // the next Present sends this monitor's pictures whole

    // Rotation: the client shown and its copy, with the title above it where there is room.
    RotationTurn turn;
    std::string shown;
    CanvasCopy copy;
    std::optional<CanvasCopy> titleCopy;
    std::string title;
    bool titleDrawn = false;
    std::unique_ptr<GdiObject> titleBitmap;
    std::unique_ptr<Canvas> titleCanvas;

    // Overview: the board of this monitor and its page.
    OverviewLayout layout;
    std::unique_ptr<OverviewBoard> board;
    std::int32_t page = 0;
    std::uint32_t pageSinceMs = 0;
    RowSpan drawn;
};

namespace {

// The overview draws cards from the records; no client's status screen is ever shown.
ReaderConfig ScreensDrawn(ReaderConfig reader, ClientsMode mode) {
    reader.drawScreen = mode == ClientsMode::Rotate;
    return reader;
}

}  // namespace

RosterView::RosterView(const ViewerOptions& options, const ReaderConfig& reader, std::uint32_t nowMs)
    : options_(options), roster_(RosterConfig{ScreensDrawn(reader, options.clients), options.staleMinutes, {}}), startMs_(nowMs) {
    titleFont_ = GdiObject::MakeArialFont(kTitleHeight - 6, true);
}

RosterView::~RosterView() = default;

Rect RosterView::FirstMonitor() const { return monitors_.empty() ? Rect{0, 0, 0, 0} : monitors_.front().area; }

void RosterView::Reshape(const std::vector<MonitorInfo>& monitors, std::uint32_t nowMs) {
    monitors_ = ChosenMonitors(monitors, options_.placement.monitors);
    // A monitor keeps its turn across a reshape as long as it is there.
    screens_.resize(monitors_.size());
    for (std::size_t k = 0; k < monitors_.size(); ++k) {
        if (screens_[k] == nullptr) screens_[k] = std::make_unique<Screen>();
        Screen& screen = *screens_[k];
        screen.monitor = monitors_[k];
        screen.whole = true;
        if (options_.clients == ClientsMode::Overview) {
            const std::int32_t scale = CopyScale(screen.monitor.area, screen.monitor.dpi, options_.placement.scale,
                                                 kCardWidth, kCardHeight);
            const OverviewLayout layout = LayoutOverview(screen.monitor.area, scale);
            if (screen.board == nullptr || !(layout == screen.layout)) {
                screen.layout = layout;
                screen.board = std::make_unique<OverviewBoard>(layout);
                screen.pageSinceMs = nowMs;
            }
            screen.board->Invalidate();
        }
    }
    if (options_.clients == ClientsMode::Rotate) PlaceRotation(nowMs);
    uncovered_.clear();
}

void RosterView::PlaceRotation(std::uint32_t nowMs) {
    // The chosen monitors each get a copy: placed as "all" over those alone.
    const PlacementOptions placement{MonitorChoice::All, options_.placement.scale, options_.placement.shift,
                                     options_.placement.reduceToFit};
    placedMinute_ = placement.shift ? (nowMs - startMs_) / kMillisecondsPerShift : 0;
    const std::vector<CanvasCopy> copies = PlaceCanvas(monitors_, placement, kCanvasWidth, kCanvasHeight, placedMinute_);
    for (std::size_t k = 0; k < screens_.size() && k < copies.size(); ++k) {
        Screen& screen = *screens_[k];
        screen.copy = copies[k];
        // A monitor too small for the whole screen has no room for a title that could be read.
        screen.titleCopy = IsReduced(screen.copy, kCanvasWidth, kCanvasHeight)
                               ? std::nullopt
                               : TitleCopy(screen.copy, kTitleHeight);
        if (screen.titleCopy && screen.titleCanvas == nullptr) {
            screen.titleBitmap = GdiObject::MakeBitmap(kCanvasWidth, kTitleHeight);
            screen.titleCanvas = std::make_unique<Canvas>(*screen.titleBitmap);
            screen.titleCanvas->UseFont(*titleFont_);
            screen.titleDrawn = false;
        }
    }
}

bool RosterView::Tick(std::uint32_t nowMs) {
    const RosterTick tick = roster_.Tick(nowMs);
    const bool changed = options_.clients == ClientsMode::Overview ? TickOverview(nowMs) : TickRotation(nowMs);
    return changed || tick.members;
}

bool RosterView::TickRotation(std::uint32_t nowMs) {
    // Every client's new rows are taken each tick, so that a client shown later is not sent
    // rows it drew long ago: a monitor that switches to it sends it whole anyway.
    bool changed = false;
    for (RosterClient& client : roster_.Clients()) {
        if (!client.HasScreen()) continue;
        const RowSpan rows = TakeDrawnRows(*client.session->Screen());
        if (rows.Empty()) continue;
        auto [entry, added] = pendingRows_.try_emplace(client.name, rows);
        if (!added) entry->second = Union(entry->second, rows);
    }
    if (options_.placement.shift && (nowMs - startMs_) / kMillisecondsPerShift != placedMinute_) {
        std::vector<CanvasCopy> before;
        for (const auto& screen : screens_) {
            before.push_back(screen->copy);
            if (screen->titleCopy) before.push_back(*screen->titleCopy);
        }
        PlaceRotation(nowMs);
        std::vector<CanvasCopy> after;
        for (const auto& screen : screens_) {
            after.push_back(screen->copy);
            if (screen->titleCopy) after.push_back(*screen->titleCopy);
        }
        if (before != after) {
            for (const Rect& part : LeftBehind(before, after)) uncovered_.push_back(part);
            for (const auto& screen : screens_) screen->whole = true;
            changed = true;
        }
    }
    const std::vector<std::string> names = roster_.ShownNames();
    showing_ = !names.empty();
    const std::uint32_t period = static_cast<std::uint32_t>(options_.rotateSeconds) * kMillisecondsPerSecond;
    for (std::size_t k = 0; k < screens_.size(); ++k) {
        Screen& screen = *screens_[k];
        const int index = NextRotation(screen.turn, names, k, period, nowMs);
        const std::string shown = index >= 0 ? names[static_cast<std::size_t>(index)] : std::string();
        if (shown != screen.shown) {
            screen.shown = shown;
            screen.whole = true;
        }
        if (screen.shown.empty()) continue;
        const RosterClient* client = roster_.Find(screen.shown);
        if (screen.titleCopy && client != nullptr && (client->Title() != screen.title || !screen.titleDrawn)) {
            DrawTitle(screen, client->Title());
            changed = true;
        }
        if (screen.whole || pendingRows_.contains(screen.shown)) changed = true;
    }
    return changed;
}

void RosterView::DrawTitle(Screen& screen, const std::string& title) {
    Canvas& canvas = *screen.titleCanvas;
    // FillBox leaves its last column and row: one more of each covers the canvas.
    canvas.FillBox(Rect{0, 0, kCanvasWidth + 1, kTitleHeight + 1}, kBlack);
    canvas.SetForeground(kWhite);
    canvas.SetBackground(kBlack);
    const TextSize size = canvas.MeasureText(title.c_str());
    canvas.PutText(std::max(0, (kCanvasWidth - size.width) / 2), std::max(0, (kTitleHeight - size.height) / 2),
                   title.c_str());
    screen.title = title;
    screen.titleDrawn = true;
    screen.whole = true;
}

bool RosterView::TickOverview(std::uint32_t nowMs) {
    // The cards are kept in the clients' order and a client's facts are taken again only when
    // its screen drew, or its label or state changed: a page of quiet clients costs the
    // board's comparisons and nothing else, not even a copy.
    std::size_t count = 0;
    for (RosterClient& client : roster_.Clients()) {
        if (client.session == nullptr || client.session->Record() == nullptr) continue;
        if (client.HasScreen()) TakeDrawnRows(*client.session->Screen());
        const CardState state = StateOf(client);
        const bool same = count < cardNames_.size() && cardNames_[count] == client.name;
        if (!same || client.drewThisTick || cards_[count].state != state || cards_[count].title != client.Title()) {
            CardFacts facts = CardFactsFor(*client.session->Record(), client.name, client.label, state);
            if (count < cards_.size()) {
                cards_[count] = std::move(facts);
                cardNames_[count] = client.name;
            } else {
                cards_.push_back(std::move(facts));
                cardNames_.push_back(client.name);
            }
        }
        ++count;
    }
    cards_.resize(count);
    cardNames_.resize(count);
    showing_ = count > 0;

    bool changed = false;
    const std::uint32_t period = static_cast<std::uint32_t>(options_.rotateSeconds) * kMillisecondsPerSecond;
    const auto clients = static_cast<std::int32_t>(count);
    for (const auto& screen : screens_) {
        const std::int32_t pages = screen->layout.PageCount(clients);
        if (pages <= 1) {
            screen->page = 0;
            screen->pageSinceMs = nowMs;
        } else if (nowMs - screen->pageSinceMs >= period) {
            screen->page = (screen->page + 1) % pages;
            screen->pageSinceMs = nowMs;
        } else if (screen->page >= pages) {
            screen->page = 0;
        }
        const OverviewPage page = screen->layout.Page(screen->page, clients);
        const std::span<const CardFacts> cards(cards_.data() + page.first, static_cast<std::size_t>(page.count));
        for (const Rect& cell : screen->board->Show(cards)) {
            screen->drawn = Union(screen->drawn, RowSpan{cell.top, cell.bottom});
            changed = true;
        }
        if (screen->whole) changed = true;
    }
    return changed;
}

template <class Presenter>
bool RosterView::Present(Presenter& presenter, bool whole) {
    bool sent = false;
    for (const Rect& part : uncovered_) {
        presenter.FillBlack(part);
        sent = true;
    }
    uncovered_.clear();
    if (whole) {
        for (const auto& screen : screens_) screen->whole = true;
    }
    sent = (options_.clients == ClientsMode::Overview ? PresentOverview(presenter) : PresentRotation(presenter)) || sent;
    pendingRows_.clear();
    return sent;
}

template <class Presenter>
bool RosterView::PresentRotation(Presenter& presenter) {
    bool sent = false;
    const std::size_t titles = screens_.size();
    for (std::size_t k = 0; k < screens_.size(); ++k) {
        Screen& screen = *screens_[k];
        RosterClient* client = screen.shown.empty() ? nullptr : roster_.Find(screen.shown);
        if (client == nullptr || !client->HasScreen()) continue;
        const Canvas& canvas = *client->session->Screen();
        const auto pending = pendingRows_.find(screen.shown);
        const RowSpan rows = screen.whole ? RowSpan{0, kCanvasHeight} : pending != pendingRows_.end() ? pending->second : RowSpan{};
        sent = presenter.Present(RowsOf(canvas), kCanvasWidth, kCanvasHeight, {screen.copy}, rows, k) || sent;
        if (screen.titleCopy && screen.whole) {
            const Canvas& title = *screen.titleCanvas;
            sent = presenter.Present(RowsOf(title), kCanvasWidth, kTitleHeight, {*screen.titleCopy},
                                     RowSpan{0, kTitleHeight}, titles + k) ||
                   sent;
        }
        screen.whole = false;
    }
    return sent;
}

template <class Presenter>
bool RosterView::PresentOverview(Presenter& presenter) {
    bool sent = false;
    for (std::size_t k = 0; k < screens_.size(); ++k) {
        Screen& screen = *screens_[k];
        const Canvas& canvas = screen.board->canvas();
        const std::int32_t width = screen.layout.BoardWidth();
        const std::int32_t height = screen.layout.BoardHeight();
        const RowSpan rows = screen.whole ? RowSpan{0, height} : screen.drawn;
        const CanvasCopy copy{screen.monitor.area, screen.layout.destination, screen.layout.scale};
        sent = presenter.Present(RowsOf(canvas), width, height, {copy}, rows, k) || sent;
        screen.whole = false;
        screen.drawn = RowSpan{};
    }
    return sent;
}

template bool RosterView::Present<X11Presenter>(X11Presenter&, bool);
#if ORVANE_WAYLAND
template bool RosterView::Present<WaylandPresenter>(WaylandPresenter&, bool);
#endif
