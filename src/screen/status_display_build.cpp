// Building the status screen: everything fixed on it is drawn here, once, from the layout's
// data (screen_layout.h), when a reader attaches to the record. Later drawing goes only
// through the panels made here.
#include <cstdio>
#include <memory>

#include "screen/status_display.h"

StatusDisplay* gStatusDisplay = nullptr;
Canvas* gCanvas = nullptr;
Canvas* gBannerCanvas = nullptr;
GdiObject* gNormalFont = nullptr;
GdiObject* gBoldFont = nullptr;
GdiObject* gBannerFont = nullptr;

namespace {

constexpr std::int32_t kNormalFontHeight = 14;
constexpr std::int32_t kBannerFontHeight = 24;

void PutHeaderText(Canvas& canvas, const HeaderText& place, const char* text) {
    if (place.endsAtX) {
        canvas.PutTextRight(place.x, place.y, text);
    } else {
        canvas.PutText(place.x, place.y, text);
    }
}

}  // namespace

StatusDisplay::StatusDisplay(SharedStatus& record, const char* headerImage, bool offerGraphArea) : record_(&record) {
    canvasBitmap = GdiObject::MakeBitmap(kCanvasWidth, kCanvasHeight);
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
    bannerBitmap = GdiObject::MakeBitmap(bannerWidth, kBannerHeight);
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

    const ScreenLayout layout = LayoutFor(gLineHeight);
    headerHeight = layout.headerHeight;
    panelRowHeight = layout.panelRowHeight;
    infoPanelHeight = layout.infoPanelHeight;
    leftColumnWidth = layout.leftColumnWidth;

    // A missing or unreadable image leaves its area black.
    canvas->SetBackground(Black);
    const Rect& image = layout.headerImage;
    canvas->DrawBitmapFile(headerImage, image.left, image.top, image.right - image.left, image.bottom - image.top);

    DrawFrame(Rect{0, 0, kCanvasWidth, kCanvasHeight});

    char version[32];
    std::snprintf(version, sizeof version, "Version %d.%d", static_cast<int>(kVersionMajor),
                  static_cast<int>(kVersionMinor));
    PutHeaderText(*canvas, layout.version, version);
    PutHeaderText(*canvas, layout.webAddress, kProductWebAddress);
    PutHeaderText(*canvas, layout.helpHint, kHelpHint);

    canvas->UseFont(*boldFont);  // for the three captions

    analysisPanel = std::make_unique<TextPanel>(*canvas, layout.analysisPanel);
    analysisPanel->SetHeading(0, kAnalysisCaption);

    // The bar, the meters and the box sit inside the bands of analysis lines, so replacing a
    // line's text clears what is drawn over it until the element's next update.
    progressBar = std::make_unique<ProgressBar>(*canvas, layout.progressBar);
    peakMeter = std::make_unique<LevelMeter>(*canvas, layout.peakMeter);
    gaussianMeter = std::make_unique<LevelMeter>(*canvas, layout.gaussianMeter);
    progressBox = std::make_unique<ProgressBox>(*canvas, layout.progressBox);

    dataInfoPanel = std::make_unique<TextPanel>(*canvas, layout.dataInfoPanel);
    dataInfoPanel->SetHeading(0, kDataInfoCaption);

    userInfoPanel = std::make_unique<TextPanel>(*canvas, layout.userInfoPanel);
    userInfoPanel->SetHeading(0, kUserInfoCaption);

    graphPanel = std::make_unique<Panel>(*canvas, layout.graphPanel, Black);
    graphWidth = graphPanel->width;
    graphHeight = graphPanel->height;
    graphBaseline = graphHeight - 20;

    UseRecord(record, offerGraphArea);

    canvas->UseFont(*normalFont);
}

void StatusDisplay::UseRecord(SharedStatus& record, bool offerGraphArea) {
    record_ = &record;
    if (!offerGraphArea) return;
    // The client sizes the spectra it publishes to this area. The display writes no other
    // byte of the record; each field is one aligned 32-bit store, as the client reads it unlocked.
    WriteFlag(record.graph_area_width, graphWidth - 110);
    WriteFlag(record.graph_area_height, graphHeight - 20);
}

void StatusDisplay::DrawFrame(const Rect& canvasRect) {
    const FrameLayout frame = FrameFor(gLineHeight, canvasRect.right);
    for (const Rect& bar : frame.bars) canvas->FillBox(bar, FrameViolet);
    for (const Disc& end : frame.barEnds) canvas->FillCircle(end.cx, end.cy, end.r, FrameViolet);
    // The black discs also paint outside their squares, where the canvas is black already.
    for (const FrameCorner& corner : frame.corners) {
        canvas->FillBox(corner.square, FrameViolet);
        canvas->FillCircle(corner.hollow.cx, corner.hollow.cy, corner.hollow.r, Black);
    }
}

StatusDisplay* BuildStatusDisplay(WindowHandle window, SharedStatus& record, const char* headerImage) {
    auto* display = new StatusDisplay(record, headerImage);
    display->window = window;
    PublishStatusDisplay(display);
    return display;
}
