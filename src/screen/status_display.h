// The status screen: the 752 x 445 main canvas with its header, violet frame, three captioned
// text panels, two level meters, the progress bar and box and the spectrum graph, plus the
// small canvas of the attention banner. Built once when the saver attaches to the record and
// kept until the process ends; each tick's Update redraws what the record flags as changed.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"
#include "screen/panel.h"
#include "graphics/platform_types.h"
#include "screen/progress.h"
#include "screen/spectrum_colours.h"
#include "record/record_items.h"
#include "record/shared_status.h"

inline constexpr std::int32_t kCanvasWidth = 752;
inline constexpr std::int32_t kCanvasHeight = 445;
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
    // Builds the whole fixed screen and the banner and, unless `offerGraphArea` is false (a
    // reader that never writes the record), writes the graph area's size into the record.
    // `headerImage` is read relative to the current directory.
    StatusDisplay(WindowHandle window, DeviceContext windowDc, SharedStatus& record,
                  const char* headerImage = kHeaderImageFile, bool offerGraphArea = true);
    StatusDisplay(const StatusDisplay&) = delete;
    StatusDisplay& operator=(const StatusDisplay&) = delete;

    void DrawFrame(const Rect& canvasRect);

    // One tick of the reader that serves the handshake: redraws every flagged item and lowers
    // its flag; 1 when anything was drawn. `drawn` then names what was drawn.
    std::int32_t Update();
    // The same drawing for exactly these items, in the same order, from the record as it is
    // now; writes nothing to the record. What another reader's Update drew, drawn here too.
    std::int32_t Replay(const ItemSet& items);
    // Writes graph_area_width and graph_area_height: the room the graph offers the client.
    void OfferGraphArea();

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

    // The spectrum graph.
    void UpdateSpectrumGraph(const ItemSet* only = nullptr);
    void DrawGraphLabels();
    void DrawPowerAxis();
    void DrawFrequencyLabels(const char* first, const char* caption, const char* last);
    void DrawTimeLabels(const char* first, const char* caption, const char* last);
    void DrawGraphBox();
    void DrawSpectrumRow(const std::uint8_t* values, std::int32_t row);

    SharedStatus* record;  // the mapped view; the display never owns it

    // Bitmaps and fonts come first: the canvases and panels below draw with them.
    std::unique_ptr<GdiObject> canvasBitmap;
    std::unique_ptr<GdiObject> bannerBitmap;
    std::unique_ptr<GdiObject> normalFont;
    std::unique_ptr<GdiObject> boldFont;
    std::unique_ptr<GdiObject> bannerFont;
    std::unique_ptr<Canvas> canvas;
    std::unique_ptr<Canvas> bannerCanvas;
    WindowHandle window;
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
    ItemSet drawn;            // what the last Update or Replay drew
    bool servesFlags = true;  // flags are lowered as their items are drawn

private:
    std::int32_t Serve(const ItemSet* only);
    void LowerServed(std::int32_t& flag);
};

// Builds the display for the saver window (using its device context as the bitmaps'
// reference) and sets the globals below. The display lives until the process ends.
StatusDisplay* BuildStatusDisplay(WindowHandle window, SharedStatus& record,
                                  const char* headerImage = kHeaderImageFile);
// The same display, owned by the caller; `offerGraphArea` false for a reader that never writes.
std::unique_ptr<StatusDisplay> MakeStatusDisplay(WindowHandle window, SharedStatus& record, const char* headerImage,
                                                 bool offerGraphArea);
// Sets gStatusDisplay (and on Windows gCanvasDC and gBannerDC) to this display's.
void PublishStatusDisplay(StatusDisplay* display);

extern StatusDisplay* gStatusDisplay;
extern Canvas* gCanvas;
extern Canvas* gBannerCanvas;
extern GdiObject* gNormalFont;
extern GdiObject* gBoldFont;
extern GdiObject* gBannerFont;
#if defined(_WIN32)
extern HDC gCanvasDC;
extern HDC gBannerDC;
#endif

