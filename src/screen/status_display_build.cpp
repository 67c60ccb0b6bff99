// Building the status screen: everything fixed on it is drawn here, once, when the saver
// attaches to the record. Later drawing goes only through the panels made here.
#include <cstdio>
#include <memory>

#include "screen/status_display.h"

StatusDisplay* gStatusDisplay = nullptr;
Canvas* gCanvas = nullptr;
Canvas* gBannerCanvas = nullptr;
GdiObject* gNormalFont = nullptr;
GdiObject* gBoldFont = nullptr;
GdiObject* gBannerFont = nullptr;
#if defined(_WIN32)
HDC gCanvasDC = nullptr;
HDC gBannerDC = nullptr;
#endif

namespace {

constexpr std::int32_t kNormalFontHeight = 14;
constexpr std::int32_t kBannerFontHeight = 24;
constexpr std::int32_t kHeaderImageWidth = 500;
constexpr std::int32_t kHeaderImageHeight = 41;
constexpr std::int32_t kFrameCornerSize = 16;  // side of a corner square, radius of its black disc
constexpr std::int32_t kBarEndRadius = 4;      // half the bars' thickness: round ends

}  // namespace

StatusDisplay::StatusDisplay(WindowHandle window_, DeviceContext windowDc, SharedStatus& record_,
                             const char* headerImage, bool offerGraphArea)
    : record(&record_), window(window_) {
    canvasBitmap = GdiObject::MakeBitmap(windowDc, kCanvasWidth, kCanvasHeight);
    canvas = std::make_unique<Canvas>(*canvasBitmap);
    gCanvas = canvas.get();

    canvas->FillBox(Rect{0, 0, kCanvasWidth, kCanvasHeight}, Black);

    normalFont = GdiObject::MakeArialFont(kNormalFontHeight, false);
    boldFont = GdiObject::MakeArialFont(kNormalFontHeight, true);
    bannerFont = GdiObject::MakeArialFont(kBannerFontHeight, true);
    gNormalFont = normalFont.get();
    gBoldFont = boldFont.get();
    gBannerFont = bannerFont.get();

    // The banner canvas is exactly as wide as the message, trailing spaces included, so the
    // slide leaves a gap behind the text.
    canvas->UseFont(*bannerFont);
    const std::int32_t bannerWidth = canvas->MeasureText(kAttentionMessage).width;
    bannerBitmap = GdiObject::MakeBitmap(windowDc, bannerWidth, kBannerHeight);
    bannerCanvas = std::make_unique<Canvas>(*bannerBitmap, bannerWidth, kBannerHeight);
    bannerCanvas->FillBox(Rect{0, 0, bannerWidth, kBannerHeight}, Black);
    bannerCanvas->UseFont(*bannerFont);
    bannerCanvas->SetForeground(White);
    bannerCanvas->SetBackground(Black);
    bannerCanvas->PutText(0, 0, kAttentionMessage);
    gBannerCanvas = bannerCanvas.get();

    // The main canvas keeps White as its text colour for the life of the display.
    canvas->UseFont(*normalFont);
    canvas->SetForeground(White);
    gLineHeight = canvas->MeasureText("jX").height;

    const std::int32_t lh = gLineHeight;
    headerHeight = lh + 30;
    panelRowHeight = 12 * lh;
    infoPanelHeight = 6 * lh;
    leftColumnWidth = static_cast<std::int32_t>(kCanvasWidth * 0.55);
    const std::int32_t h = headerHeight;
    const std::int32_t x = leftColumnWidth;

    // A missing or unreadable image leaves its area black.
    canvas->SetBackground(Black);
    canvas->DrawBitmapFile(headerImage, 0, 0, kHeaderImageWidth, kHeaderImageHeight);

    DrawFrame(Rect{0, 0, kCanvasWidth, kCanvasHeight});

    char version[32];
    std::snprintf(version, sizeof version, "Version %d.%d", static_cast<int>(kVersionMajor),
                  static_cast<int>(kVersionMinor));
    canvas->PutTextRight(720, 6, version);
    canvas->PutTextRight(680, 20, kProductWebAddress);
    canvas->PutText(500, 6, "Press F1 for info");

    canvas->UseFont(*boldFont);  // for the three captions

    analysisPanel = std::make_unique<TextPanel>(*canvas, Rect{0, h + 8, x, h + 8 + panelRowHeight});
    analysisPanel->SetHeading(0, "Data Analysis");

    // The bar, the meters and the box sit inside the bands of analysis lines, so replacing a
    // line's text clears what is drawn over it until the element's next update.
    Rect barRect = analysisPanel->LineRect(1);
    barRect.left += 250;
    progressBar = std::make_unique<ProgressBar>(*canvas, barRect);

    Rect peakRect = analysisPanel->LineRect(4);
    peakRect.left = peakRect.right - 120;
    peakMeter = std::make_unique<LevelMeter>(*canvas, peakRect);

    Rect gaussianRect = analysisPanel->LineRect(6);
    gaussianRect.left = gaussianRect.right - 120;
    gaussianMeter = std::make_unique<LevelMeter>(*canvas, gaussianRect);

    Rect boxRect = analysisPanel->LineRect(8);
    boxRect.bottom = analysisPanel->LineRect(9).bottom;
    progressBox = std::make_unique<ProgressBox>(*canvas, boxRect);

    dataInfoPanel = std::make_unique<TextPanel>(*canvas, Rect{x + 30, h + 8, kCanvasWidth, h + 8 + infoPanelHeight});
    dataInfoPanel->SetHeading(0, "Data Info");

    userInfoPanel = std::make_unique<TextPanel>(
        *canvas, Rect{x + 30, h + 16 + infoPanelHeight, kCanvasWidth, h + 8 + panelRowHeight});
    userInfoPanel->SetHeading(0, "User Info");

    graphPanel = std::make_unique<Panel>(*canvas, Rect{0, h + panelRowHeight + 28, kCanvasWidth, kCanvasHeight}, Black);
    graphWidth = graphPanel->width;
    graphHeight = graphPanel->height;
    graphBaseline = graphHeight - 20;

    if (offerGraphArea) OfferGraphArea();

    canvas->UseFont(*normalFont);
}

void StatusDisplay::OfferGraphArea() {
    // The client sizes the spectra it publishes to this area. The build writes no other byte
    // of the record; each field is one aligned 32-bit store, as the client reads it unlocked.
    WriteFlag(record->graph_area_width, graphWidth - 110);
    WriteFlag(record->graph_area_height, graphHeight - 20);
}

void StatusDisplay::DrawFrame(const Rect& canvasRect) {
    const std::int32_t lh = gLineHeight;
    const std::int32_t h = headerHeight;
    const std::int32_t x = leftColumnWidth;
    const std::int32_t right = canvasRect.right;
    const std::int32_t r = kBarEndRadius;
    const std::int32_t bottomBarTop = h + 12 * lh + 8;
    const std::int32_t separatorTop = h + 6 * lh + 8;

    canvas->FillBox(Rect{10, h, right - 10, h + 8}, FrameViolet);
    canvas->FillCircle(10, h + 4, r, FrameViolet);
    canvas->FillCircle(right - 10, h + 4, r, FrameViolet);

    canvas->FillBox(Rect{10, bottomBarTop, right - 10, bottomBarTop + 8}, FrameViolet);
    canvas->FillCircle(10, bottomBarTop + 4, r, FrameViolet);
    canvas->FillCircle(right - 10, bottomBarTop + 4, r, FrameViolet);

    // The separator's left end joins the vertical bar; only its right end is rounded.
    canvas->FillBox(Rect{x + 30, separatorTop, right - 10, separatorTop + 8}, FrameViolet);
    canvas->FillCircle(right - 10, separatorTop + 4, r, FrameViolet);

    canvas->FillBox(Rect{x, h, x + 30, bottomBarTop + 8}, FrameViolet);

    // Inner corners: a violet square in the angle between two bars, hollowed by a black disc
    // centred on the square's corner away from the angle, leaves a concave quarter-round.
    struct Corner {
        std::int32_t left;
        std::int32_t top;
        std::int32_t centreX;
        std::int32_t centreY;
    };
    const std::int32_t s = kFrameCornerSize;
    const Corner corners[] = {
        {x - s, h + 8, x - s, h + 8 + s},                          // left of the bar, under the top bar
        {x + 30, h + 8, x + 30 + s, h + 8 + s},                    // right of the bar, under the top bar
        {x + 30, h + 6 * lh - 8, x + 30 + s, h + 6 * lh - 8},      // right, over the separator
        {x + 30, h + 6 * lh + 16, x + 30 + s, h + 6 * lh + 16 + s},  // right, under the separator
        {x + 30, h + 12 * lh - 8, x + 30 + s, h + 12 * lh - 8},    // right, over the bottom bar
        {x - s, h + 12 * lh - 8, x - s, h + 12 * lh - 8},          // left, over the bottom bar
    };
    for (const Corner& corner : corners) {
        canvas->FillBox(Rect{corner.left, corner.top, corner.left + s, corner.top + s}, FrameViolet);
        canvas->FillCircle(corner.centreX, corner.centreY, s, Black);
    }
}

std::unique_ptr<StatusDisplay> MakeStatusDisplay(WindowHandle window, SharedStatus& record, const char* headerImage,
                                                 bool offerGraphArea) {
#if defined(_WIN32)
    // The window's context is only the bitmaps' reference; nothing of it is kept.
    HDC windowDc = window != nullptr ? GetDC(window) : nullptr;
    auto display = std::make_unique<StatusDisplay>(window, windowDc, record, headerImage, offerGraphArea);
    if (windowDc != nullptr) ReleaseDC(window, windowDc);
    return display;
#else
    return std::make_unique<StatusDisplay>(window, nullptr, record, headerImage, offerGraphArea);
#endif
}

void PublishStatusDisplay(StatusDisplay* display) {
    gStatusDisplay = display;
#if defined(_WIN32)
    gCanvasDC = display != nullptr ? display->canvas->dc : nullptr;
    gBannerDC = display != nullptr ? display->bannerCanvas->dc : nullptr;
#endif
}

StatusDisplay* BuildStatusDisplay(WindowHandle window, SharedStatus& record, const char* headerImage) {
    StatusDisplay* display = MakeStatusDisplay(window, record, headerImage, true).release();
    PublishStatusDisplay(display);
    return display;
}
