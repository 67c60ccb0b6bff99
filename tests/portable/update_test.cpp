// The per-tick update of the status screen, driven through records built the way the client
// writes them. A line's text is checked by comparing its band with the same text set on a
// fresh display, so every character and its place count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "record/flag_handshake.h"
#include "record/hostile_values.h"
#include "record/record_builder.h"
#include "common/every_item.h"
#include "common/test_canvas.h"
#include "screen/item_drawing.h"
#include "screen/status_display.h"

namespace {

constexpr Rect kWholeCanvas{0, 0, kCanvasWidth, kCanvasHeight};

// A display on its own record, built as the saver builds it, without a header image.
struct Screen {
    explicit Screen(std::unique_ptr<SharedStatus> record_)
        : record(std::move(record_)), display(*record, "no-such-header.bmp") {}
    Screen() : Screen(MakeZeroRecord()) {}

    std::unique_ptr<SharedStatus> record;
    StatusDisplay display;
};

using PanelMember = std::unique_ptr<TextPanel> StatusDisplay::*;

// The band of line n, from the panel's left edge to its right one.
Rect Band(const TextPanel& panel, std::int32_t n) {
    const Rect band = panel.LineRect(n);
    return Rect{panel.left, band.top, panel.right, band.bottom};
}

testing::AssertionResult SameBand(const Screen& actual, const Screen& expected, const Rect& band) {
    if (SamePixels(*actual.display.canvas, *expected.display.canvas, band)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "shown:\n"
                                       << Picture(*actual.display.canvas, band, White) << "expected:\n"
                                       << Picture(*expected.display.canvas, band, White);
}

// Whether line n of the panel shows exactly `text`. Panels clip nothing: `right`, when
// given, extends the comparison past the panel's right edge to catch a longer text.
testing::AssertionResult ShowsLine(const Screen& screen, PanelMember panel, std::int32_t n, const char* text,
                                   std::int32_t right = 0) {
    Screen reference;
    (reference.display.*panel)->SetLine(n, text);
    Rect band = Band(*(screen.display.*panel), n);
    if (right > 0) band.right = right;
    return SameBand(screen, reference, band) << "line " << n << " is not \"" << text << "\"";
}

// Every flag that one tick may lower: the items', the graph frame's and each row's.
std::vector<std::size_t> FlagOffsets() {
    std::vector<std::size_t> offsets;
    for (int i = 0; i < kRecordFlagCount; ++i) offsets.push_back(FlagOffsetByIndex(i));
    return offsets;
}

// Bytes that differ between the two records outside the flags.
std::vector<std::size_t> ChangedBytesBesideFlags(const SharedStatus& before, const SharedStatus& after) {
    std::vector<bool> isFlag(sizeof(SharedStatus), false);
    for (const std::size_t offset : FlagOffsets()) {
        for (std::size_t i = 0; i < 4; ++i) isFlag[offset + i] = true;
    }
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&after);
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < sizeof(SharedStatus); ++i) {
        if (!isFlag[i] && a[i] != b[i]) changed.push_back(i);
    }
    return changed;
}

RecordBuilder EveryItemWithGraph() {
    RecordBuilder builder = EveryItem();
    builder.GraphGeometry(40, 60, false, 100, 4, 16)
        .FrameChanged()
        .RowFill(0, 30)
        .RowFill(3, 80);
    return builder;
}

// The first column with a lit pixel in the rows of the rectangle; -1 when there is none.
std::int32_t FirstLitColumn(const Canvas& canvas, const Rect& rect) {
    for (std::int32_t x = rect.left; x < rect.right; ++x) {
        if (CountNonBlack(canvas, Rect{x, rect.top, x + 1, rect.bottom}) > 0) return x;
    }
    return -1;
}

std::int32_t FirstLitRow(const Canvas& canvas, const Rect& rect) {
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        if (CountNonBlack(canvas, Rect{rect.left, y, rect.right, y + 1}) > 0) return y;
    }
    return -1;
}

// A text exactly `width` pixels wide in the canvas's current font, or "" when none of the
// tried mixes of a wide and a narrow letter hits it (a monospaced stand-in for Arial may
// have no text of that width at all).
std::string TextOfWidth(Canvas& canvas, std::int32_t width) {
    const char pairs[][2] = {{'W', 'i'}, {'m', 'l'}, {'M', '.'}, {'O', 'j'}, {'w', 'r'}};
    for (const auto& pair : pairs) {
        for (std::int32_t wide = 0; wide < 40; ++wide) {
            for (std::int32_t narrow = 0; narrow < 60; ++narrow) {
                const std::string text = std::string(wide, pair[0]) + std::string(narrow, pair[1]);
                const std::int32_t measured = canvas.MeasureText(text.c_str()).width;
                if (measured == width && !text.empty()) return text;
                if (measured > width) break;
            }
        }
    }
    return "";
}

}  // namespace

TEST(StatusUpdate, QuietTickDrawsNothingAndWritesNothing) {
    RecordBuilder builder = EveryItemWithGraph();
    // Values everywhere, but no flag raised.
    for (const std::size_t offset : FlagOffsets()) {
        std::memset(reinterpret_cast<unsigned char*>(&builder.Record()) + offset, 0, 4);
    }
    Screen screen(builder.Build());
    Screen fresh;
    auto before = MakeZeroRecord();
    std::memcpy(before.get(), screen.record.get(), sizeof(SharedStatus));

    EXPECT_EQ(screen.display.Update(), 0);
    EXPECT_EQ(std::memcmp(before.get(), screen.record.get(), sizeof(SharedStatus)), 0);
    EXPECT_TRUE(SamePixels(*screen.display.canvas, *fresh.display.canvas, kWholeCanvas));
}

TEST(StatusUpdate, EveryRaisedFlagIsLoweredAndNoOtherByteWritten) {
    Screen screen(EveryItemWithGraph().Build());
    auto before = MakeZeroRecord();
    std::memcpy(before.get(), screen.record.get(), sizeof(SharedStatus));

    EXPECT_EQ(screen.display.Update(), 1);
    for (const std::size_t offset : FlagOffsets()) {
        EXPECT_EQ(FlagAt(*screen.record, offset), 0) << "flag at offset " << offset;
    }
    const std::vector<std::size_t> changed = ChangedBytesBesideFlags(*before, *screen.record);
    EXPECT_TRUE(changed.empty()) << changed.size() << " bytes changed, the first at offset " << changed.front();
    // Nothing left for the next tick.
    EXPECT_EQ(screen.display.Update(), 0);
}

// Draw is a view: given what a tick takes, it draws what Update draws, names exactly that, and
// leaves every flag and every other byte of the record as it was.
TEST(StatusDraw, DrawsWhatUpdateDrawsAndWritesNothing) {
    Screen updated(EveryItemWithGraph().Build());
    Screen drawn(EveryItemWithGraph().Build());
    auto before = MakeZeroRecord();
    std::memcpy(before.get(), drawn.record.get(), sizeof(SharedStatus));
    const ItemSet raised = TakeRaisedFlags(*before);
    std::memcpy(before.get(), drawn.record.get(), sizeof(SharedStatus));

    ASSERT_EQ(updated.display.Update(), 1);
    EXPECT_TRUE(drawn.display.Draw(*drawn.record, raised) == raised);
    EXPECT_EQ(drawn.display.frameChanged, 1);
    EXPECT_EQ(std::memcmp(before.get(), drawn.record.get(), sizeof(SharedStatus)), 0);
    EXPECT_TRUE(SamePixels(*drawn.display.canvas, *updated.display.canvas, kWholeCanvas));

    // Rows at and past the graph's row count are not its own: never drawn.
    const std::int32_t rows = drawn.record->graph_row_count;
    const ItemSet all = drawn.display.Draw(*drawn.record, ItemSet::All());
    for (int i = 0; i < kRecordItemCount; ++i) EXPECT_TRUE(all.Has(i)) << kRecordItems[i].name;
    EXPECT_TRUE(all.HasRow(rows - 1));
    EXPECT_FALSE(all.HasRow(rows));
    EXPECT_TRUE(drawn.display.Draw(*drawn.record, ItemSet{}).Empty());
    EXPECT_EQ(drawn.display.frameChanged, 0);
}

// Taking the flags lowers them before anything is read; a change the client makes between
// that and the drawing raises its flag again, which the drawing leaves raised, so the next
// tick draws the change once more and nothing of it is lost.
TEST(StatusDraw, AChangeMadeWhileTheTickDrawsIsDrawnAgainNextTick) {
    Screen screen(RecordBuilder().StatusTextA("Searching").Build());
    const ItemSet taken = TakeRaisedFlags(*screen.record);
    EXPECT_TRUE(taken.Has(RecordItem::StatusTextA));
    EXPECT_EQ(ReadFlag(screen.record->status_text_a_changed), 0);

    std::snprintf(screen.record->status_text_a, sizeof screen.record->status_text_a, "Fitting");
    RaiseFlag(screen.record->status_text_a_changed);
    EXPECT_TRUE(screen.display.Draw(*screen.record, taken).Has(RecordItem::StatusTextA));
    EXPECT_EQ(ReadFlag(screen.record->status_text_a_changed), 1);

    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(ReadFlag(screen.record->status_text_a_changed), 0);
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 1, "Fitting"));
    EXPECT_TRUE(TakeRaisedFlags(*screen.record).Empty());
}

TEST(StatusUpdate, AnyNonZeroFlagValueCountsAsRaised) {
    for (const std::int32_t raised : {2, -1, kInt32Min}) {
        Screen screen(RecordBuilder().StatusTextA("Searching").Build());
        WriteFlag(screen.record->status_text_a_changed, raised);
        EXPECT_EQ(screen.display.Update(), 1) << "flag " << raised;
        EXPECT_EQ(screen.record->status_text_a_changed, 0);
        EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 1, "Searching"));
    }
}

TEST(StatusUpdate, StatusTextADrawnAfterBStaysOnTheLine) {
    Screen both(RecordBuilder().StatusTextA("Searching for spikes").StatusTextB("Computing Gaussians").Build());
    Screen onlyA(RecordBuilder().StatusTextA("Searching for spikes").Build());
    Screen onlyB(RecordBuilder().StatusTextB("Computing Gaussians").Build());
    EXPECT_EQ(both.display.Update(), 1);
    onlyA.display.Update();
    onlyB.display.Update();

    const Rect band = Band(*both.display.analysisPanel, 1);
    EXPECT_TRUE(SameBand(both, onlyA, band));
    EXPECT_FALSE(SamePixels(*both.display.canvas, *onlyB.display.canvas, band));
    EXPECT_EQ(both.record->status_text_a_changed, 0);
    EXPECT_EQ(both.record->status_text_b_changed, 0);
}

TEST(StatusUpdate, EitherProgressFlagRedrawsBoxOverallAndCpuTimeAndLowersBoth) {
    for (const bool viaCpuTime : {true, false}) {
        auto record = MakeZeroRecord();
        record->progress_fraction = 0.5f;
        record->cpu_seconds = 3725.4;
        RaiseFlag(viaCpuTime ? record->cpu_time_changed : record->progress_changed);
        Screen screen(std::move(record));

        EXPECT_EQ(screen.display.Update(), 1);
        EXPECT_EQ(screen.record->progress_changed, 0);
        EXPECT_EQ(screen.record->cpu_time_changed, 0);

        Screen reference;
        reference.display.progressBox->Update(0.5f);
        reference.display.analysisPanel->SetLinePair(10, "Overall: 50.000% done", "CPU time: 1 hr 02 min 05.4 sec");
        const ProgressBox& box = *screen.display.progressBox;
        const Rect boxRect{box.left, box.top, box.right, box.bottom};
        EXPECT_GT(CountColor(*screen.display.canvas, boxRect, MidRed), 0) << "via cpu time: " << viaCpuTime;
        EXPECT_TRUE(SameBand(screen, reference, boxRect));
        EXPECT_TRUE(SameBand(screen, reference, Band(*screen.display.analysisPanel, 10)));
    }
}

TEST(StatusUpdate, StatusTextBlanksTheStepBarUntilTheBarIsShownAgain) {
    Screen screen(RecordBuilder().StepFraction(1.0f).Build());
    const ProgressBar& bar = *screen.display.progressBar;
    const Rect barRect{bar.left, bar.top, bar.right, bar.bottom};
    screen.display.Update();
    ASSERT_GT(CountColor(*screen.display.canvas, barRect, White), 0);

    SetRecordText(screen.record->status_text_b, "Searching");
    RaiseFlag(screen.record->status_text_b_changed);
    screen.display.Update();
    EXPECT_EQ(CountNonBlack(*screen.display.canvas, barRect), 0);

    // In one tick the bar is drawn after the text, so it is seen again at once.
    SetRecordText(screen.record->status_text_a, "Searching again");
    RaiseFlag(screen.record->status_text_a_changed);
    RaiseFlag(screen.record->step_fraction_changed);
    screen.display.Update();
    EXPECT_GT(CountColor(*screen.display.canvas, barRect, White), 0);
    EXPECT_EQ(screen.record->step_fraction_changed, 0);
}

TEST(StatusUpdate, SourceNamesAreciboOnlyForSourceTwo) {
    const struct {
        std::int32_t source;
        const char* line;
    } cases[] = {{2, "Source: Arecibo Radio Observatory"}, {0, "Source: Test Data"}, {1, "Source: Test Data"},
                 {7, "Source: Test Data"},                 {-2, "Source: Test Data"}};
    for (const auto& c : cases) {
        Screen screen(RecordBuilder().DataInfo(13.5f, 18.25f, 2440588.5, c.source, 1.42e9).Build());
        screen.display.Update();
        EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 3, c.line)) << "source " << c.source;
    }
    // The check tells the two apart.
    Screen arecibo(RecordBuilder().DataInfo(0.0f, 0.0f, 2440588.5, 2, 0.0).Build());
    arecibo.display.Update();
    EXPECT_FALSE(ShowsLine(arecibo, &StatusDisplay::dataInfoPanel, 3, "Source: Test Data"));
}

TEST(StatusUpdate, DataInfoLinesShowPositionRecordingTimeAndBaseFrequency) {
    Screen screen(RecordBuilder().DataInfo(13.5f, 18.25f, 2440587.5 + 1.0, 2, 1.42e9).Build());
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->data_info_changed, 0);
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 1,
                          "From: 13 hr 30 min  0 sec RA, + 18 deg 15 min  0 sec Dec"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 2, "Recorded on: Fri Jan 02 00:00:00 1970 GMT"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 4, "Base Frequency: 1.420000000 GHz"));

    // 49711 days after the epoch is 2^32 + 63104 seconds: the low 32 bits are 17:31:44 on day 0.
    screen.record->data_info.recorded_jd = 2440587.5 + 49711.0;
    RaiseFlag(screen.record->data_info_changed);
    screen.display.Update();
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 2, "Recorded on: Thu Jan 01 17:31:44 1970 GMT"));
}

TEST(StatusUpdate, UserInfoLines) {
    Screen screen(RecordBuilder().UserInfo("Ada", 42, 3725.4).Build());
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->user_info_changed, 0);
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::userInfoPanel, 1, "Name: Ada"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::userInfoPanel, 2, "Data units completed: 42"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::userInfoPanel, 3, "Total computer time: 1 hr 02 min 05.4 sec"));
}

TEST(StatusUpdate, SearchParamsShowDriftRateAndResolution) {
    Screen screen(RecordBuilder().Band(10.0, 1, 0).SearchParams(0.5f, 8).Build());
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->search_params_changed, 0);
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 2, "Doppler drift rate: 0.5000 Hz/sec"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 3, "Frequency resolution: 1.250000 Hz"));
}

TEST(StatusUpdate, PeaksDriveTheMetersAndTheirPositionLines) {
    // Band 8 Hz and divisor 2 over 8 bins: the wrap limit is 6, one bin is 1 Hz.
    Screen screen(RecordBuilder()
                      .Band(8.0, 2, 0)
                      .BestPeak(PeakSummary{12.5f, 0.5f, 6, 3, 0.25f, 8})
                      .BestGaussian(GaussianSummary{10.0f, 3.25f, 0.125f, 1, 2, -0.5f, 8})
                      .Build());
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->best_peak_changed, 0);
    EXPECT_EQ(screen.record->best_gaussian_changed, 0);

    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 5,
                          "( -2.0 Hz at  3.00 seconds, drift rate 0.250 Hz/sec)"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 7,
                          "(  1.0 Hz at  2.00 seconds, drift rate -0.500 Hz/sec)"));

    // Each meter is drawn over its line after the line's text.
    Screen reference;
    reference.display.analysisPanel->SetLine(4, "Strongest Peak: power 12.50");
    reference.display.peakMeter->MarkPeak(0.5f);
    reference.display.analysisPanel->SetLine(6, "Strongest Gaussian: power  3.25, fit 0.125");
    reference.display.gaussianMeter->ShowLevel(0.5f);  // a score of 10 is half of the full 20
    EXPECT_TRUE(SameBand(screen, reference, Band(*screen.display.analysisPanel, 4)));
    EXPECT_TRUE(SameBand(screen, reference, Band(*screen.display.analysisPanel, 6)));
    EXPECT_EQ(screen.display.peakMeter->peakSegment, 6);
}

TEST(StatusUpdate, CurrentPeakMovesOnlyTheMeter) {
    Screen screen(RecordBuilder().CurrentPeak(PeakSummary{kFloatNaN, 0.75f, kInt32Min, kInt32Max, kFloatInf, 0}).Build());
    Screen fresh;
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->current_peak_changed, 0);

    Screen reference;
    reference.display.peakMeter->ShowLevel(0.75f);
    EXPECT_TRUE(SameBand(screen, reference, kWholeCanvas));
    EXPECT_FALSE(SamePixels(*screen.display.canvas, *fresh.display.canvas, kWholeCanvas));
}

TEST(StatusUpdate, BestPeakIsDrawnAfterTheCurrentPeakAndItsLevelStays) {
    // Both in one tick: the best peak's line blanks the meter and shows its own level last.
    Screen screen(RecordBuilder()
                      .CurrentPeak(PeakSummary{0.25f, 1.0f, 1, 1, 0.0f, 8})
                      .BestPeak(PeakSummary{12.5f, 0.75f, 1, 1, 0.0f, 8})
                      .Build());
    EXPECT_EQ(screen.display.Update(), 1);
    Screen reference;
    reference.display.analysisPanel->SetLine(4, "Strongest Peak: power 12.50");
    reference.display.peakMeter->MarkPeak(0.75f);
    EXPECT_TRUE(SameBand(screen, reference, Band(*screen.display.analysisPanel, 4)));
}

TEST(StatusUpdateMessage, FrameRedrawInTheSameTickBlanksTheMessage) {
    // The graph is updated after the message, so its clear takes the message with it.
    const auto graphOnly = [] {
        RecordBuilder builder;
        builder.GraphGeometry(40, 60, false, 100, 4, 300).Band(8.0, 1, 1000).FrameChanged();
        return builder;
    };
    Screen withMessage(graphOnly().Message(true, "Please look", "at the client").Build());
    Screen without(graphOnly().Build());
    EXPECT_EQ(withMessage.display.Update(), 1);
    without.display.Update();
    EXPECT_EQ(withMessage.record->message_changed, 0);
    const Panel& graph = *withMessage.display.graphPanel;
    EXPECT_TRUE(SameBand(withMessage, without, Rect{graph.left, graph.top, graph.right, graph.bottom}));
}

TEST(StatusUpdateMessage, LinesAreCentredOverTheGraphInTheBannerFont) {
    Screen probe;
    Canvas& measuring = *probe.display.canvas;
    measuring.UseFont(*probe.display.bannerFont);
    std::string line1 = TextOfWidth(measuring, 300);
    if (line1.empty()) line1 = "Please look at the client";
    const std::int32_t width1 = measuring.MeasureText(line1.c_str()).width;
    const std::string line2 = "Hello";
    const std::int32_t width2 = measuring.MeasureText(line2.c_str()).width;
    const std::int32_t cellHeight = measuring.MeasureText(line2.c_str()).height;

    // Where the glyphs start inside their cells, from the same texts drawn at (0, 0).
    TestCanvas scratch(kCanvasWidth, 40);
    scratch->UseFont(*probe.display.bannerFont);
    scratch->SetForeground(White);
    scratch->SetBackground(Black);
    scratch->PutText(0, 0, line1.c_str());
    const std::int32_t inkLeft1 = FirstLitColumn(*scratch, Rect{0, 0, kCanvasWidth, 40});
    const std::int32_t inkTop1 = FirstLitRow(*scratch, Rect{0, 0, kCanvasWidth, 40});
    scratch->FillBox(Rect{0, 0, kCanvasWidth, 40}, Black);
    scratch->PutText(0, 0, line2.c_str());
    const std::int32_t inkLeft2 = FirstLitColumn(*scratch, Rect{0, 0, kCanvasWidth, 40});
    ASSERT_GE(inkLeft1, 0);
    ASSERT_GE(inkLeft2, 0);

    Screen screen(RecordBuilder().Message(true, line1, line2).Build());
    const Panel& graph = *screen.display.graphPanel;
    // Something of the graph away from the text: it must survive.
    screen.display.canvas->FillBox(Rect{graph.left + 2, graph.top + 2, graph.left + 6, graph.top + 6}, Grey);
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->message_changed, 0);

    const std::int32_t halfWidth = graph.width / 2;
    const std::int32_t halfHeight = graph.height / 2;
    ASSERT_EQ(graph.width, 752);
    const std::int32_t top1 = graph.top + halfHeight - 30;
    const std::int32_t top2 = graph.top + halfHeight;
    const Rect rows1{graph.left, top1, graph.right, top2};
    const Rect rows2{graph.left, top2, graph.right, top2 + cellHeight};
    // A 300-pixel line on the 752-pixel panel starts at 376 - 150.
    const std::int32_t left1 = width1 == 300 ? 226 : halfWidth - width1 / 2;
    EXPECT_EQ(FirstLitColumn(*screen.display.canvas, rows1), graph.left + left1 + inkLeft1);
    EXPECT_EQ(FirstLitRow(*screen.display.canvas, rows1), top1 + inkTop1);
    EXPECT_EQ(FirstLitColumn(*screen.display.canvas, rows2), graph.left + halfWidth - width2 / 2 + inkLeft2);
    EXPECT_EQ(CountNonBlack(*screen.display.canvas, Rect{graph.left, graph.top + 8, graph.right, top1}), 0);
    EXPECT_EQ(CountColor(*screen.display.canvas, Rect{graph.left + 2, graph.top + 2, graph.left + 6, graph.top + 6},
                         Grey),
              16);

    // The panel texts go on in the normal font.
    EXPECT_EQ(screen.display.canvas->MeasureText("jX").height, gLineHeight);
    Screen reference;
    reference.display.analysisPanel->SetLine(1, "Searching");
    SetRecordText(screen.record->status_text_a, "Searching");
    RaiseFlag(screen.record->status_text_a_changed);
    screen.display.Update();
    EXPECT_TRUE(SameBand(screen, reference, Band(*screen.display.analysisPanel, 1)));
}

TEST(StatusUpdateMessage, MessageOffBlanksTheWholeGraphPanel) {
    Screen screen(RecordBuilder().Message(true, "Please look", "at the client").Build());
    const Panel& graph = *screen.display.graphPanel;
    const Rect graphRect{graph.left, graph.top, graph.right, graph.bottom};
    screen.display.canvas->FillBox(Rect{graph.left + 2, graph.top + 2, graph.left + 6, graph.top + 6}, Grey);
    screen.display.Update();
    ASSERT_GT(CountNonBlack(*screen.display.canvas, graphRect), 16);

    screen.record->message.message_on = 0;
    RaiseFlag(screen.record->message_changed);
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->message_changed, 0);
    EXPECT_EQ(CountNonBlack(*screen.display.canvas, graphRect), 0);
    // Only the graph panel: the rest of the screen is as built.
    Screen fresh;
    EXPECT_TRUE(SamePixels(*screen.display.canvas, *fresh.display.canvas, Rect{0, 0, kCanvasWidth, graph.top}));
}

TEST(StatusUpdateHostile, UnterminatedStatusTextIsCutInsideItsField) {
    for (const bool textA : {true, false}) {
        auto record = MakeZeroRecord();
        // Narrow letters, so that the cut falls well inside the canvas.
        SetRecordText(textA ? record->status_text_a : record->status_text_b, "i", false);
        RaiseFlag(textA ? record->status_text_a_changed : record->status_text_b_changed);
        Screen screen(std::move(record));
        EXPECT_EQ(screen.display.Update(), 1);
        const std::string cut(sizeof(SharedStatus::status_text_a) - 1, 'i');
        EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 1, cut.c_str(), kCanvasWidth))
            << "text A: " << textA;
        EXPECT_FALSE(ShowsLine(screen, &StatusDisplay::analysisPanel, 1, (cut + "i").c_str(), kCanvasWidth));
    }
}

TEST(StatusUpdateHostile, UnterminatedNameAndMessageStayInsideTheirFields) {
    RecordBuilder builder;
    builder.UserInfo("", 7, 1.0).Message(true, "", "");
    SetRecordText(builder.Record().user_info.user_name, "Mira Tolvanen ", false);
    SetRecordText(builder.Record().message.message_line1, "i", false);
    SetRecordText(builder.Record().message.message_line2, "i", false);
    // The bytes after each field are not zero either.
    builder.Record().user_info.units_completed = -1;
    std::memset(builder.Record().user_info.client_reserved1, 'x', sizeof builder.Record().user_info.client_reserved1);
    Screen screen(builder.Build());
    EXPECT_EQ(screen.display.Update(), 1);
    EXPECT_EQ(screen.record->user_info_changed, 0);
    EXPECT_EQ(screen.record->message_changed, 0);
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::userInfoPanel, 2, "Data units completed: -1"));
}

TEST(StatusUpdateHostile, NonsenseNumbersDrawDefinedTexts) {
    RecordBuilder builder;
    builder.UserInfo("Ada", kInt32Min, kNaN)
        .DataInfo(kFloatNaN, kFloatInf, kNaN, kInt32Min, 1e300)
        .Band(0.0, 0, 0)
        .Progress(kFloatNaN)
        .CpuTime(-kInf)
        .StepFraction(kFloatInf)
        .SearchParams(kFloatInf, kInt32Min)  // a long drift text would run on into the Data Info panel
        .CurrentPeak(PeakSummary{kFloatNaN, kFloatNaN, 0, 0, 0.0f, 0})
        .BestPeak(PeakSummary{kFloatInf, -kFloatInf, kInt32Min, kInt32Max, 0.0f, kInt32Min})
        .BestGaussian(GaussianSummary{kFloatInf, kFloatNaN, -kFloatInf, kInt32Max, kInt32Min, 0.0f, 8});
    Screen screen(builder.Build());
    EXPECT_EQ(screen.display.Update(), 1);
    for (const std::size_t offset : FlagOffsets()) {
        EXPECT_EQ(FlagAt(*screen.record, offset), 0) << "flag at offset " << offset;
    }
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::userInfoPanel, 3, "Total computer time: 0 hr 00 min 00.0 sec"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 1,
                          "From:  0 hr  0 min  0 sec RA, +2147483647 deg  0 min  0 sec Dec"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 2, "Recorded on: Thu Jan 01 00:00:00 1970 GMT"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::dataInfoPanel, 3, "Source: Test Data"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 3, "Frequency resolution: 0.000000 Hz"));
    // No bandwidth and no usable transform length: both positions read 0.
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 5,
                          "(  0.0 Hz at  0.00 seconds, drift rate 0.000 Hz/sec)"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 7,
                          "(  0.0 Hz at  0.00 seconds, drift rate 0.000 Hz/sec)"));
}

TEST(StatusUpdateHostile, NegativeTransformLengthsDivideAsTheyStand) {
    // 8 Hz over -8 bins: -1 Hz per bin. Bin 3 is past the limit -8 - (-8 / 2) = -4 and wraps
    // to 11 bins; time bin 2 lasts 2 * -8 / 8 seconds.
    Screen screen(RecordBuilder()
                      .Band(8.0, 1, 0)
                      .SearchParams(0.5f, -8)
                      .BestPeak(PeakSummary{1.0f, 0.1f, 3, 2, 0.25f, -8})
                      .Build());
    screen.display.Update();
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 3, "Frequency resolution: -1.000000 Hz"));
    EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 5,
                          "(-11.0 Hz at -2.00 seconds, drift rate 0.250 Hz/sec)"));
}

TEST(StatusUpdateHostile, DivisorBelowOneCountsAsOne) {
    for (const std::int32_t divisor : {0, -3}) {
        // Limit 8 - 8 / 2 = 4: bin 5 is 3 bins below the base.
        Screen screen(RecordBuilder().Band(8.0, divisor, 0).BestPeak(PeakSummary{1.0f, 0.1f, 5, 1, 0.5f, 8}).Build());
        screen.display.Update();
        EXPECT_TRUE(ShowsLine(screen, &StatusDisplay::analysisPanel, 5,
                              "( -3.0 Hz at  1.00 seconds, drift rate 0.500 Hz/sec)"))
            << "divisor " << divisor;
    }
}

// ---------------------------------------------------------------------------------------
// Lowering before reading. The record's first page holds every item and flag that the
// operations read; with the page made inaccessible, the first address an operation touches
// is reported by the fault it raises. It must be the item's flag (the lowering), not the
// item: a change the client writes while the item is drawn then raises the flag again and
// is drawn at the next tick.

namespace {

const void* volatile gTouchedAddress = nullptr;

#if defined(_WIN32)

class GuardedRecord {
public:
    GuardedRecord() {
        memory_ = VirtualAlloc(nullptr, sizeof(SharedStatus), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        handler_ = AddVectoredExceptionHandler(1, &GuardedRecord::Handler);
    }
    ~GuardedRecord() {
        if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
        if (memory_ != nullptr) VirtualFree(memory_, 0, MEM_RELEASE);
    }
    GuardedRecord(const GuardedRecord&) = delete;
    GuardedRecord& operator=(const GuardedRecord&) = delete;

    bool ok() const { return memory_ != nullptr && handler_ != nullptr; }
    SharedStatus& Record() { return *static_cast<SharedStatus*>(memory_); }
    // A guard page reports its first access once and is then an ordinary page again.
    void Arm() {
        gTouchedAddress = nullptr;
        DWORD old = 0;
        VirtualProtect(memory_, kPage, PAGE_READWRITE | PAGE_GUARD, &old);
    }
    void Disarm() {
        DWORD old = 0;
        VirtualProtect(memory_, kPage, PAGE_READWRITE, &old);
    }

private:
    static constexpr SIZE_T kPage = 4096;
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
        if (info->ExceptionRecord->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
        gTouchedAddress = reinterpret_cast<const void*>(info->ExceptionRecord->ExceptionInformation[1]);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    void* memory_ = nullptr;
    PVOID handler_ = nullptr;
};

#else

class GuardedRecord;
GuardedRecord* gGuarded = nullptr;

class GuardedRecord {
public:
    GuardedRecord() : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
        void* memory = mmap(nullptr, sizeof(SharedStatus), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        memory_ = memory == MAP_FAILED ? nullptr : memory;
        struct sigaction action {};
        action.sa_sigaction = &GuardedRecord::Handler;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        installed_ = sigaction(SIGSEGV, &action, &previous_) == 0;
        gGuarded = this;
    }
    ~GuardedRecord() {
        if (installed_) sigaction(SIGSEGV, &previous_, nullptr);
        if (memory_ != nullptr) munmap(memory_, sizeof(SharedStatus));
        gGuarded = nullptr;
    }
    GuardedRecord(const GuardedRecord&) = delete;
    GuardedRecord& operator=(const GuardedRecord&) = delete;

    bool ok() const { return memory_ != nullptr && installed_; }
    SharedStatus& Record() { return *static_cast<SharedStatus*>(memory_); }
    void Arm() {
        gTouchedAddress = nullptr;
        mprotect(memory_, page_, PROT_NONE);
    }
    void Disarm() { mprotect(memory_, page_, PROT_READ | PROT_WRITE); }

private:
    static void Handler(int signal, siginfo_t* info, void* context) {
        (void)signal;
        (void)context;
        GuardedRecord* self = gGuarded;
        const auto* address = static_cast<const char*>(info->si_addr);
        if (self != nullptr && self->memory_ != nullptr) {
            const auto* page = static_cast<const char*>(self->memory_);
            if (address >= page && address < page + self->page_) {
                gTouchedAddress = address;
                self->Disarm();  // the access is retried and succeeds
                return;
            }
        }
        // Not ours: the retried access faults again with the ordinary handling.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(SIGSEGV, self != nullptr ? &self->previous_ : &fallback, nullptr);
    }
    std::size_t page_;
    void* memory_ = nullptr;
    bool installed_ = false;
    struct sigaction previous_ {};
};

#endif

}  // namespace

// Each item's drawing, taken from the update's own list, lowers that item's flag before it
// reads anything: a drawing listed under another item would lower the other's flag first.
TEST(StatusUpdateOrder, EachItemLowersItsFlagBeforeReadingIt) {
    GuardedRecord guarded;
    ASSERT_TRUE(guarded.ok());
    const auto everything = EveryItemWithGraph().Build();
    std::memcpy(&guarded.Record(), everything.get(), sizeof(SharedStatus));
    StatusDisplay display(guarded.Record(), "no-such-header.bmp");
    const auto* base = reinterpret_cast<const char*>(&guarded.Record());

    int served = 0;
    for (const ItemDrawing& drawing : kItemDrawing) {
        if (drawing.show == nullptr) continue;  // the frame, served with the rows
        const RecordItemInfo& item = ItemInfo(drawing.item);
        // One redraw for both: the progress flag is lowered first, then the cpu time's.
        const RecordItem first = drawing.item == RecordItem::CpuTime ? RecordItem::Progress : drawing.item;
        guarded.Arm();
        display.Serve(drawing.item);
        guarded.Disarm();
        const void* touched = gTouchedAddress;
        EXPECT_EQ(touched, base + ItemInfo(first).flagOffset)
            << item.name << ": first touched offset " << (static_cast<const char*>(touched) - base);
        EXPECT_EQ(ItemFlag(guarded.Record(), drawing.item), 0) << item.name;
        ++served;
    }
    EXPECT_EQ(served, kRecordItemCount - 1) << "every item but the frame has a drawing of its own";
}
