// The overview: the grid fills a monitor with whole cards and pages through the clients; a card
// shows its client's state by the status screen's rules, stays inside its cell whatever the
// record holds, and is the same picture in the grid as alone.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/test_canvas.h"
#include "record/demo_record.h"
#include "record/hostile_values.h"
#include "record/record_extension.h"
#include "record/record_builder.h"
#include "screen/overview_board.h"
#include "screen/panel.h"

namespace {

// A colour no card draws: every spectrum colour has a channel at 0 or 255.
constexpr RgbColor kMarker{10, 20, 30};

std::unique_ptr<SharedStatus> DemoRecord(std::uint32_t seed) {
    auto record = MakeZeroRecord();
    FillDemoRecord(*record, seed);
    return record;
}

// Everything a careless or broken client can leave: texts without their zero, NaN and infinite
// numbers, counts far past the record's arrays, a negative peak height.
std::unique_ptr<SharedStatus> HostileRecord(std::int32_t rows, std::int32_t bins, std::int32_t peak) {
    RecordBuilder builder;
    builder.Progress(kFloatNaN).CpuTime(kInf);
    builder.BestPeak(PeakSummary{kFloatInf, kFloatInf, kInt32Max, kInt32Min, kFloatNaN, 0});
    builder.BestGaussian(GaussianSummary{1e38f, -kFloatInf, kFloatNaN, kInt32Min, kInt32Max, 0, 0});
    builder.GraphGeometry(kInt32Max, kInt32Min, true, peak, rows, bins).RowFill(kMaxSpectrumRows - 1, 255);
    SharedStatus& record = builder.Record();
    SetRecordText(record.status_text_a, "WWWWWWWWWW\n\t", false);
    return builder.Build();
}

// Whether `cell` of `board` holds the card drawn alone, pixel for pixel.
bool SameAsAlone(const Canvas& board, const Rect& cell, const Canvas& alone) {
    for (std::int32_t y = 0; y < kCardHeight; ++y)
        for (std::int32_t x = 0; x < kCardWidth; ++x)
            if (!SameRgb(board.PixelAt(cell.left + x, cell.top + y), alone.PixelAt(x, y))) return false;
    return true;
}

std::vector<CardFacts> SampleCards() {
    std::vector<CardFacts> cards;
    cards.push_back(CardFactsFor(*DemoRecord(1), "orvane_share", ""));
    cards.push_back(CardFactsFor(*DemoRecord(2), "orvane_share_2", "core 2: band 7", CardState::Stale));
    cards.push_back(CardFactsFor(*DemoRecord(3), "orvane_share_3", "core 3", CardState::Ended));
    cards.push_back(CardFactsFor(*HostileRecord(kInt32Max, kInt32Max, -5), "orvane_share_4", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    cards.push_back(CardFactsFor(*HostileRecord(kMaxSpectrumRows, 3, 0), "orvane_share_5", "ragged\x01label"));
    return cards;
}

}  // namespace

TEST(OverviewLayout, FillsTheMonitorWithWholeCardsAtItsScale) {
    struct Case {
        Rect monitor;
        std::int32_t scale, columns, rows;
        Rect destination;
    };
    for (const Case& c : {
             Case{{0, 0, 1920, 1080}, 1, 4, 4, {0, 0, 1920, 1080}},
             Case{{0, 0, 3840, 2160}, 1, 8, 8, {0, 0, 3840, 2160}},
             Case{{0, 0, 3840, 2160}, 2, 4, 4, {0, 0, 3840, 2160}},
             // A second monitor left of the first: two by three cards, centred on it.
             Case{{-1280, 0, 0, 1024}, 1, 2, 3, {-1280 + 160, 107, -1280 + 160 + 960, 107 + 810}},
             // A window smaller than a card still shows one, overhanging evenly; a scale of 0 counts as 1.
             Case{{0, 0, 300, 200}, 0, 1, 1, {-90, -35, 390, 235}},
             // An 8K monitor keeps only the rows 64 clients can fill.
             Case{{0, 0, 7680, 4320}, 1, 16, 4, {0, 1620, 7680, 2700}},
         }) {
        const OverviewLayout layout = LayoutOverview(c.monitor, c.scale);
        EXPECT_EQ(layout.columns, c.columns) << c.monitor.right << "x" << c.monitor.bottom;
        EXPECT_EQ(layout.rows, c.rows) << c.monitor.right << "x" << c.monitor.bottom;
        EXPECT_EQ(layout.destination, c.destination) << c.monitor.right << "x" << c.monitor.bottom;
    }
}

TEST(OverviewLayout, PagesShowEveryClientOnceInOrder) {
    for (const Rect monitor : {Rect{0, 0, 1920, 1080}, Rect{0, 0, 1000, 600}, Rect{0, 0, 10, 10}}) {
        const OverviewLayout layout = LayoutOverview(monitor, 1);
        for (std::int32_t clients = 0; clients <= kMaxClientRecords + 3; ++clients) {
            std::vector<std::int32_t> shown;
            const std::int32_t pages = layout.PageCount(clients);
            for (std::int32_t page = 0; page < pages; ++page) {
                const OverviewPage slice = layout.Page(page, clients);
                EXPECT_GT(slice.count, 0);
                EXPECT_LE(slice.count, layout.Cells());
                for (std::int32_t k = 0; k < slice.count; ++k) shown.push_back(slice.first + k);
            }
            ASSERT_EQ(static_cast<std::int32_t>(shown.size()), clients) << layout.Cells() << " cells";
            for (std::int32_t k = 0; k < clients; ++k) EXPECT_EQ(shown[static_cast<std::size_t>(k)], k);
            EXPECT_EQ(layout.Page(pages, clients), OverviewPage{});
            EXPECT_EQ(layout.Page(-1, clients), OverviewPage{});
        }
    }
}

TEST(OverviewCard, NothingIsDrawnOutsideTheCellWhateverTheRecordHolds) {
    const Rect cell{100, 50, 100 + kCardWidth, 50 + kCardHeight};
    const Rect whole{0, 0, 700, 400};
    const CardFonts fonts = CardFonts::Make();
    for (const CardFacts& facts : SampleCards()) {
        TestCanvas canvas(whole.right, whole.bottom);
        canvas->FillBox(whole, kMarker);
        DrawClientCard(*canvas, cell, facts, fonts);
        EXPECT_EQ(CountColor(*canvas, whole, kMarker), 700 * 400 - kCardWidth * kCardHeight) << facts.title;
        EXPECT_EQ(CountColor(*canvas, cell, kMarker), 0) << "the card paints its whole cell";
    }
}

TEST(OverviewCard, FactsAreBoundedAndTitledByTheLabelElseTheName) {
    const CardFacts nan = CardFactsFor(*HostileRecord(kInt32Max, kInt32Max, kInt32Min), "orvane_share_9", "");
    EXPECT_EQ(nan.percent, "0.0%");
    EXPECT_EQ(nan.progressWidth, 0);
    EXPECT_EQ(nan.status, "WWWWWWWWWW??WWWWWWWWWW??WWWWWWWWWW??WWWWWWWWWW??WWWWWWWWWW??WWWWWWWWWW??WWWWWWW");
    EXPECT_EQ(nan.peakScore, "inf");
    EXPECT_EQ(nan.peakSegments, 0xFFF);
    EXPECT_EQ(nan.gaussianScore.rfind("1e+", 0), 0u) << nan.gaussianScore;
    EXPECT_EQ(nan.gaussianSegments, 0xFFF);
    EXPECT_EQ(nan.traceBinCount, kMaxSpectrumBins);
    EXPECT_EQ(nan.traceValues[kCardTraceColumns - 1], 255);

    auto over = RecordBuilder().Progress(7.5f).CpuTime(kNaN).Build();
    const CardFacts full = CardFactsFor(*over, std::string(200, 'n'), "");
    EXPECT_EQ(full.percent, "100.0%");
    EXPECT_EQ(full.progressWidth, kCardBarWidth);
    EXPECT_EQ(full.cpuTime, "CPU time: 0 hr 00 min 00.0 sec");
    EXPECT_EQ(full.title.size(), kCardTextLimit);
    EXPECT_EQ(full.traceBinCount, 0) << "no rows, no trace";

    auto record = RecordBuilder().StatusTextA("Searching for pulses").Progress(0.4567f).Build();
    const CardFacts labelled = CardFactsFor(*record, "orvane_share_7", "core 7: band\t2");
    EXPECT_EQ(labelled.title, "core 7: band?2");
    EXPECT_EQ(labelled.name, "orvane_share_7");
    EXPECT_EQ(labelled.status, "Searching for pulses");
    EXPECT_EQ(labelled.percent, "45.6%");
    const CardFacts plain = CardFactsFor(*record, "orvane_share_7", "");
    EXPECT_EQ(plain.title, "orvane_share_7");
    EXPECT_EQ(plain.name, "");

    // From a shared object: its label, none when it is of the old size, nothing past its end.
    std::vector<unsigned char> live(kExtendedRecordSize, 0);
    std::memcpy(live.data(), record.get(), sizeof(SharedStatus));
    ASSERT_TRUE(WriteRecordLabel(live.data(), kExtendedRecordSize, "core 5: band 1"));
    std::vector<unsigned char> object(kExtendedRecordSize + 1, 0);  // +1: a copy of an object need not be aligned
    unsigned char* bytes = object.data() + 1;
    std::memcpy(bytes, live.data(), kExtendedRecordSize);
    EXPECT_EQ(CardFactsOfObject(bytes, kExtendedRecordSize, "orvane_share_5").title, "core 5: band 1");
    EXPECT_EQ(CardFactsOfObject(bytes, kSharedStatusSize, "orvane_share_5").title, "orvane_share_5");
    const CardFacts cut = CardFactsOfObject(bytes, offsetof(SharedStatus, status_text_a) + 9, "orvane_share_5");
    EXPECT_EQ(cut.status, "Searching");
    EXPECT_EQ(cut.title, "orvane_share_5");
}

TEST(OverviewCard, MetersLightTheSegmentsTheStatusScreenLights) {
    for (const float score : {0.0f, 0.25f, 0.5f, 0.9999f, 3.0f, kFloatNaN}) {
        PeakSummary peak{};
        peak.score = score;
        GaussianSummary gaussian{};
        gaussian.score = score * 20.0f;
        auto record = RecordBuilder().BestPeak(peak).BestGaussian(gaussian).Build();
        const CardPicture card = DrawCardAlone(CardFactsFor(*record, "orvane_share", ""));

        // The status screen's meters, drawn where the card puts its own.
        TestCanvas screen(kCardWidth, kCardHeight);
        LevelMeter peakMeter(*screen, Rect{54, 126, 174, 140});
        peakMeter.MarkPeak(peak.score);
        LevelMeter gaussianMeter(*screen, Rect{294, 126, 414, 140});
        gaussianMeter.ShowLevel(gaussian.score * kGaussianMeterScale);
        EXPECT_TRUE(SamePixels(*card.canvas, *screen, Rect{64, 128, 157, 138})) << "peak meter at " << score;
        EXPECT_TRUE(SamePixels(*card.canvas, *screen, Rect{304, 128, 397, 138})) << "Gaussian meter at " << score;
    }
}

TEST(OverviewCard, TraceShowsTheNewestRowsTallestSampleOfEachColumn) {
    std::vector<std::uint8_t> newest(kMaxSpectrumBins, 10);
    newest[301] = 80;  // one bin: a column of its own must still show it
    auto record = RecordBuilder()
                      .GraphGeometry(60, 100, false, 80, 3, kMaxSpectrumBins)
                      .RowFill(0, 70)  // older rows are not the trace
                      .Row(2, newest)
                      .Build();
    const CardFacts facts = CardFactsFor(*record, "orvane_share", "");
    std::set<std::uint16_t> spikeBins;
    std::int32_t spikeColumn = -1;
    for (std::int32_t c = 0; c < kCardTraceColumns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (facts.traceValues[i] == 80) {
            spikeBins.insert(facts.traceBins[i]);
            spikeColumn = c;
        } else {
            EXPECT_EQ(facts.traceValues[i], 10) << "column " << c;
        }
    }
    EXPECT_EQ(spikeBins, std::set<std::uint16_t>{301});

    // At the peak height the column is the trace's full 104 pixels; the floor an eighth of it.
    const CardPicture card = DrawCardAlone(facts);
    const std::int32_t x = 16 + spikeColumn;
    EXPECT_FALSE(PixelIs(*card.canvas, x, 256 - 104, Black));
    EXPECT_TRUE(PixelIs(*card.canvas, x, 256 - 105, Black));
    EXPECT_FALSE(PixelIs(*card.canvas, x + 1, 256 - 13, Black));
    EXPECT_TRUE(PixelIs(*card.canvas, x + 1, 256 - 14, Black));
}

TEST(OverviewCard, StoppedClientsCarryTheirSign) {
    auto record = DemoRecord(4);
    const Rect signArea{300, 12, 464, 32};
    const auto draw = [&](CardState state) { return DrawCardAlone(CardFactsFor(*record, "orvane_share", "", state)); };
    const CardPicture live = draw(CardState::Live), stale = draw(CardState::Stale), ended = draw(CardState::Ended);
    EXPECT_EQ(CountColor(*live.canvas, signArea, Yellow) + CountColor(*live.canvas, signArea, Red), 0);
    EXPECT_GT(CountColor(*stale.canvas, signArea, Yellow), 500);
    EXPECT_GT(CountColor(*stale.canvas, signArea, Black), 20) << "the word in black on yellow";
    EXPECT_GT(CountColor(*ended.canvas, signArea, Red), 500);
    EXPECT_GT(CountColor(*ended.canvas, signArea, White), 20) << "the word in white on red";
    // Below the title row the three cards are the same.
    EXPECT_TRUE(SamePixels(*live.canvas, *stale.canvas, Rect{0, 34, kCardWidth, kCardHeight}));

    EXPECT_EQ(CardStateFor(false, 0, 10), CardState::Ended);
    EXPECT_EQ(CardStateFor(true, 599, 10), CardState::Live);
    EXPECT_EQ(CardStateFor(true, 600, 10), CardState::Stale);
    EXPECT_EQ(CardStateFor(true, 60, 0), CardState::Stale) << "held to at least a minute";
}

TEST(OverviewBoard, RedrawsOnlyWhatChangedAndStaysTheCardDrawnAlone) {
    std::vector<CardFacts> cards = SampleCards();
    OverviewBoard board(LayoutOverview(Rect{0, 0, 1920, 1080}, 1));
    ASSERT_EQ(board.Show(cards).size(), cards.size());
    for (std::size_t slot = 0; slot < cards.size(); ++slot)
        EXPECT_TRUE(SameAsAlone(board.canvas(), board.Cell(static_cast<std::int32_t>(slot)), *DrawCardAlone(cards[slot]).canvas))
            << "slot " << slot;
    EXPECT_EQ(CountNonBlack(board.canvas(), board.Cell(5)), 0) << "a cell without a client stays black";
    EXPECT_TRUE(board.Show(cards).empty());

    // A client that differs in every part, taken over by the first card one part at a time.
    std::vector<std::uint8_t> ramp(200);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i / 4);
    PeakSummary peak{};
    peak.score = 0.3f;
    GaussianSummary gaussian{};
    gaussian.score = 15.0f;
    auto record = RecordBuilder()
                      .StatusTextA("Fitting Gaussians")
                      .Progress(0.9f)
                      .CpuTime(12345.0)
                      .BestPeak(peak)
                      .BestGaussian(gaussian)
                      .GraphGeometry(20, 40, false, 50, 4, 200)
                      .Row(3, ramp)
                      .Build();
    const CardFacts other = CardFactsFor(*record, "orvane_share_9", "core 9", CardState::Stale);
    using Part = void (*)(CardFacts&, const CardFacts&);
    const Part parts[] = {
        [](CardFacts& to, const CardFacts& from) { to.title = from.title, to.name = from.name, to.state = from.state; },
        [](CardFacts& to, const CardFacts& from) { to.status = from.status; },
        [](CardFacts& to, const CardFacts& from) { to.progressWidth = from.progressWidth, to.percent = from.percent; },
        [](CardFacts& to, const CardFacts& from) { to.cpuTime = from.cpuTime; },
        [](CardFacts& to, const CardFacts& from) {
            to.peakSegments = from.peakSegments, to.gaussianSegments = from.gaussianSegments;
            to.peakScore = from.peakScore, to.gaussianScore = from.gaussianScore;
        },
        [](CardFacts& to, const CardFacts& from) {
            to.traceBinCount = from.traceBinCount, to.tracePeakHeight = from.tracePeakHeight;
            to.traceValues = from.traceValues, to.traceBins = from.traceBins;
        },
    };
    // Paint over the second cell behind the board's back: a card that does not change is not drawn.
    // The hostile card has the longest texts and the tallest trace: whatever a part leaves
    // behind of it shows.
    board.canvas().FillBox(board.Cell(1), kMarker);
    for (const Part part : parts) {
        part(cards[3], other);
        EXPECT_EQ(board.Show(cards), std::vector<Rect>{board.Cell(3)});
        EXPECT_TRUE(SameAsAlone(board.canvas(), board.Cell(3), *DrawCardAlone(cards[3]).canvas));
    }
    EXPECT_EQ(cards[3], other) << "every part of a card taken over";
    EXPECT_EQ(CountColor(board.canvas(), board.Cell(1), kMarker), kCardWidth * kCardHeight);

    // A client that leaves empties its cell; Invalidate draws every cell again.
    cards.pop_back();
    EXPECT_EQ(board.Show(cards), std::vector<Rect>{board.Cell(4)});
    EXPECT_EQ(CountNonBlack(board.canvas(), board.Cell(4)), 0);
    board.Invalidate();
    EXPECT_EQ(board.Show(cards).size(), 16u);
    EXPECT_EQ(CountColor(board.canvas(), board.Cell(1), kMarker), 0);
}
