// The status screen: the 752 x 445 main canvas with its header, violet frame, three captioned
// text panels, two level meters, the progress bar and box and the spectrum graph, plus the
// small canvas of the attention banner. Built once when a reader attaches to the record and
// kept until the process ends.
//
// The display is a view: Draw draws the items it is given from the record it is given and
// writes nothing. Which items, and lowering their flags before they are read, is its caller's:
// the reader session's, or the doors below that serve one record as the saver's single
// reader does (Update, the Show operations, UpdateSpectrumGraph).
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"
#include "graphics/platform_types.h"
#include "record/record_items.h"
#include "record/shared_status.h"
#include "screen/panel.h"
#include "screen/progress.h"
#include "screen/screen_layout.h"
#include "screen/spectrum_colours.h"

inline constexpr std::int32_t kVersionMajor = 1;
inline constexpr std::int32_t kVersionMinor = 0;
inline constexpr const char kProductWebAddress[] = "https://orvane.example.org/";
inline constexpr const char kHeaderImageFile[] = "header.bmp";
// Four trailing spaces leave a gap behind the text while the banner slides.
inline constexpr const char kAttentionMessage[] =
    "Orvane needs your attention. Please double-click on the Orvane icon in the taskbar.    ";
inline constexpr std::int32_t kBannerHeight = 30;

class StatusDisplay {
public:
    // Builds the whole fixed screen and the banner, and serves `record` through the doors;
    // unless `offerGraphArea` is false (a reader that never writes the record), writes the
    // graph area's size into it. `headerImage` is read relative to the current directory.
    explicit StatusDisplay(SharedStatus& record, const char* headerImage = kHeaderImageFile,
                           bool offerGraphArea = true);
    StatusDisplay(const StatusDisplay&) = delete;
    StatusDisplay& operator=(const StatusDisplay&) = delete;

    // The record the doors serve from now on (a reader that attached again); unless
    // `offerGraphArea` is false, writes the graph area's size into it.
    void UseRecord(SharedStatus& record, bool offerGraphArea);

    void DrawFrame(const Rect& canvasRect);

    // Draws exactly these items and rows, in the order one tick serves them, from `from` as it
    // is now, and names what it drew; writes nothing to the record. The graph's geometry is
    // copied at every call, whatever the items.
    ItemSet Draw(const SharedStatus& from, const ItemSet& items);

    // One tick of a sole reader: takes the raised flags of the record, lowering each before its
    // item is read, and draws them; 1 when anything was drawn.
    std::int32_t Update();

    // Each item's drawing, from the record given; Draw calls these. Without a record, the
    // door of a sole reader: lowers the item's flag in the record served, then draws from it.
    void ShowStatusTextA(const SharedStatus& from);
    void ShowStatusTextB(const SharedStatus& from);
    void ShowUserInfo(const SharedStatus& from);
    void ShowDataInfo(const SharedStatus& from);
    void ShowCpuTime(const SharedStatus& from);
    void ShowProgress(const SharedStatus& from);
    void ShowStepProgress(const SharedStatus& from);
    void ShowSearchParams(const SharedStatus& from);
    void ShowCurrentPeak(const SharedStatus& from);
    void ShowBestPeak(const SharedStatus& from);
    void ShowBestGaussian(const SharedStatus& from);
    void ShowMessage(const SharedStatus& from);
    void ShowStatusTextA();
    void ShowStatusTextB();
    void ShowUserInfo();
    void ShowDataInfo();
    void ShowCpuTime();
    void ShowProgress();
    void ShowStepProgress();
    void ShowSearchParams();
    void ShowCurrentPeak();
    void ShowBestPeak();
    void ShowBestGaussian();
    void ShowMessage();

    // The spectrum graph: its frame when `items` has it, then its rows in `items`, from `from`;
    // names what it drew. Without arguments, the door: takes the graph's raised flags of the
    // record served, lowering each, and draws them.
    ItemSet UpdateSpectrumGraph(const SharedStatus& from, const ItemSet& items);
    void UpdateSpectrumGraph();
    // The door of one item, which each Show* without a record is: lowers its flags in the
    // record served, then draws it from there.
    void Serve(RecordItem item);
    void DrawGraphLabels(const SharedStatus& from);
    void DrawGraphLabels();
    void DrawPowerAxis();
    void DrawFrequencyLabels(const char* first, const char* caption, const char* last);
    void DrawTimeLabels(const char* first, const char* caption, const char* last);
    void DrawGraphBox();
    void DrawSpectrumRow(const std::uint8_t* values, std::int32_t row);
    // The graph points (x, y), yFrom <= y < yTo, in one colour; nothing when yFrom >= yTo.
    // The same pixels as a column of DrawSpectrumRow, which draws a column and the black above
    // it as one pair of runs.
    void DrawColumnRun(std::int32_t x, std::int32_t yFrom, std::int32_t yTo, const RgbColor& color);

    // Bitmaps and fonts come first: the canvases and panels below draw with them.
    std::unique_ptr<GdiObject> canvasBitmap;
    std::unique_ptr<GdiObject> bannerBitmap;
    std::unique_ptr<GdiObject> normalFont;
    std::unique_ptr<GdiObject> boldFont;
    std::unique_ptr<GdiObject> bannerFont;
    std::unique_ptr<Canvas> canvas;
    std::unique_ptr<Canvas> bannerCanvas;
    WindowHandle window{};  // the window BuildStatusDisplay was given; nothing is drawn with it
    std::unique_ptr<ProgressBox> progressBox;
    std::unique_ptr<ProgressBar> progressBar;
    std::unique_ptr<TextPanel> dataInfoPanel;
    std::unique_ptr<TextPanel> userInfoPanel;
    std::unique_ptr<TextPanel> analysisPanel;
    std::unique_ptr<LevelMeter> peakMeter;
    std::unique_ptr<LevelMeter> gaussianMeter;
    std::unique_ptr<Panel> graphPanel;
    std::int32_t headerHeight = 0;
    std::int32_t panelRowHeight = 0;
    std::int32_t infoPanelHeight = 0;
    std::int32_t leftColumnWidth = 0;
    std::int32_t graphBaseline = 0;
    std::int32_t graphWidth = 0;
    std::int32_t graphHeight = 0;
    std::int32_t graphDepthX = 0;
    std::int32_t graphDepthY = 0;
    std::int32_t graphMirrored = 0;
    std::int32_t graphPeakHeight = 0;
    std::int32_t graphRowCount = 0;
    std::int32_t graphBinCount = 0;
    std::int32_t frameChanged = 0;
    SpectrumColours graphColours;

private:
    // Graph point rows and columns as the graph panel's pixels, brought into the canvas's range.
    std::int32_t PanelColumn(std::int64_t x) const;
    std::int32_t PanelRow(std::int64_t y) const;

    SharedStatus* record_;  // the mapped view the doors serve; the display never owns it
};

// Builds the display for the saver window, sets the globals below, and keeps the window in
// the display. The display lives until the process ends.
StatusDisplay* BuildStatusDisplay(WindowHandle window, SharedStatus& record,
                                  const char* headerImage = kHeaderImageFile);
// Sets gStatusDisplay (and on Windows gCanvasDC and gBannerDC, status_display_win32.h) to this
// display's.
void PublishStatusDisplay(StatusDisplay* display);

extern StatusDisplay* gStatusDisplay;
extern Canvas* gCanvas;
extern Canvas* gBannerCanvas;
extern GdiObject* gNormalFont;
extern GdiObject* gBoldFont;
extern GdiObject* gBannerFont;
