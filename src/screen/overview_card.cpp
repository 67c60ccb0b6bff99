#include "screen/overview_card.h"

#include <algorithm>
#include <string>

#include "screen/spectrum_colours.h"

namespace {

// Where everything goes, from the cell's top left corner. The violet frame is inset so that
// neighbouring cards keep a black gap between their frames.
constexpr std::int32_t kFrameInset = 4;
constexpr std::int32_t kFrameThickness = 2;
constexpr std::int32_t kLeft = 16;
constexpr std::int32_t kRight = kLeft + kCardTraceColumns;  // 464
constexpr std::int32_t kTitleTop = 12;
constexpr std::int32_t kTitleHeight = 20;
constexpr std::int32_t kTextHeight = 14;
constexpr std::int32_t kSignPadding = 6;
constexpr std::int32_t kNameTop = 36;
constexpr std::int32_t kStatusTop = 56;
constexpr std::int32_t kBarTop = 80;
constexpr std::int32_t kBarHeight = 14;
constexpr std::int32_t kCpuTop = 102;
constexpr std::int32_t kMeterTop = 126;
constexpr std::int32_t kPeakMeterLeft = 64;
constexpr std::int32_t kPeakScoreLeft = 164;
constexpr std::int32_t kGaussianLabelLeft = 240;
constexpr std::int32_t kGaussianMeterLeft = 304;
constexpr std::int32_t kGaussianScoreLeft = 404;
constexpr std::int32_t kTraceBaseline = 256;
constexpr std::int32_t kTraceHeight = 104;

static_assert(kRight <= kCardWidth - kFrameInset - kFrameThickness - 8, "the content keeps clear of the frame");
static_assert(kTraceBaseline < kCardHeight - kFrameInset - kFrameThickness, "the trace ends above the frame");
static_assert(kLeft + 2 + kCardBarWidth + 2 <= kRight, "the bar's outline leaves room for the percentage");

// Draws with the cell's top left corner as the origin.
class CardPainter {
public:
    CardPainter(Canvas& canvas, const Rect& cell) : canvas_(canvas), x0_(cell.left), y0_(cell.top) {}

    void Fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, const RgbColor& color) {
        canvas_.FillBox(Rect{x0_ + left, y0_ + top, x0_ + right, y0_ + bottom}, color);
    }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen) {
        canvas_.DrawLine(x0_ + x1, y0_ + y1, x0_ + x2, y0_ + y2, pen);
    }
    void Column(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color) {
        canvas_.PlotColumn(x0_ + x, y0_ + top, y0_ + bottom, color);
    }
    // `text` in the font and colours given, cut with "..." to `maxWidth` pixels.
    void Text(std::int32_t x, std::int32_t y, const std::string& text, const GdiObject& font, const RgbColor& ink,
              const RgbColor& paper, std::int32_t maxWidth) {
        canvas_.UseFont(font);
        canvas_.SetForeground(ink);
        canvas_.SetBackground(paper);
        const std::string shown = Fitted(text, maxWidth);
        canvas_.PutText(x0_ + x, y0_ + y, shown.c_str());
    }
    void TextRight(std::int32_t xRight, std::int32_t y, const std::string& text, const GdiObject& font,
                   const RgbColor& ink) {
        canvas_.UseFont(font);
        canvas_.SetForeground(ink);
        canvas_.SetBackground(Black);
        canvas_.PutTextRight(x0_ + xRight, y0_ + y, text.c_str());
    }
    std::int32_t Width(const std::string& text, const GdiObject& font) {
        canvas_.UseFont(font);
        return canvas_.MeasureText(text.c_str()).width;
    }

private:
    std::string Fitted(const std::string& text, std::int32_t maxWidth) {
        if (canvas_.MeasureText(text.c_str()).width <= maxWidth) return text;
        std::string cut = text;
        while (!cut.empty()) {
            cut.pop_back();
            const std::string shown = cut + "...";
            if (canvas_.MeasureText(shown.c_str()).width <= maxWidth) return shown;
        }
        return {};
    }

    Canvas& canvas_;
    std::int32_t x0_;
    std::int32_t y0_;
};

void DrawFrame(CardPainter& paint) {
    constexpr std::int32_t l = kFrameInset, t = kFrameInset;
    constexpr std::int32_t r = kCardWidth - kFrameInset, b = kCardHeight - kFrameInset;
    constexpr std::int32_t k = kFrameThickness;
    paint.Fill(l, t, r, t + k, FrameViolet);
    paint.Fill(l, b - k, r, b, FrameViolet);
    paint.Fill(l, t, l + k, b, FrameViolet);
    paint.Fill(r - k, t, r, b, FrameViolet);
}

// The sign at the top right; returns its left edge (kRight without one).
std::int32_t DrawSign(CardPainter& paint, CardState state, const CardFonts& fonts) {
    if (state == CardState::Live) return kRight;
    const bool ended = state == CardState::Ended;
    const std::string word = ended ? "ended" : "stale";
    const RgbColor& paper = ended ? Red : Yellow;
    const RgbColor& ink = ended ? White : Black;
    const std::int32_t left = kRight - paint.Width(word, *fonts.sign) - 2 * kSignPadding;
    paint.Fill(left, kTitleTop, kRight, kTitleTop + kTitleHeight, paper);
    paint.Text(left + kSignPadding, kTitleTop + (kTitleHeight - kTextHeight) / 2, word, *fonts.sign, ink, paper,
               kRight - left);
    return left;
}

void DrawBar(CardPainter& paint, const CardFacts& facts, const CardFonts& fonts) {
    constexpr std::int32_t l = kLeft, t = kBarTop;
    constexpr std::int32_t r = kLeft + kCardBarWidth + 3, b = kBarTop + kBarHeight - 1;
    paint.Line(l, t, r, t, Pen::Grey);
    paint.Line(r, t, r, b, Pen::Grey);
    paint.Line(r, b, l, b, Pen::Grey);
    paint.Line(l, b, l, t, Pen::Grey);
    const std::int32_t filled = std::clamp(facts.progressWidth, 0, kCardBarWidth);
    paint.Fill(l + 2, t + 2, l + 2 + filled, b - 1, White);
    paint.TextRight(kRight, kBarTop, facts.percent, *fonts.text, White);
}

void DrawMeter(CardPainter& paint, std::int32_t left, std::uint16_t segments) {
    static const RgbColor* const kLit[3] = {&Green, &Yellow, &Red};
    static const RgbColor* const kUnlit[3] = {&DimGreen, &DimYellow, &DimRed};
    // The status screen's segments: 5 x 10 pixels, 3 apart, green, yellow, red by fours.
    for (std::int32_t i = 0; i < 12; ++i) {
        const bool lit = (segments >> i) & 1u;
        const std::int32_t x = left + 8 * i;
        paint.Fill(x, kMeterTop + 2, x + 5, kMeterTop + 12, lit ? *kLit[i / 4] : *kUnlit[i / 4]);
    }
}

void DrawTrace(CardPainter& paint, const CardFacts& facts) {
    paint.Line(kLeft, kTraceBaseline, kRight, kTraceBaseline, Pen::Grey);
    if (facts.traceBinCount <= 0) return;
    // A peak height of 0 or less gives no scale: samples are taken as bytes, full at 255.
    const std::int64_t peak = facts.tracePeakHeight > 0 ? facts.tracePeakHeight : 255;
    for (std::int32_t c = 0; c < kCardTraceColumns; ++c) {
        const auto column = static_cast<std::size_t>(c);
        const std::uint8_t v = facts.traceValues[column];
        const std::int64_t height = std::min<std::int64_t>(kTraceHeight, v * std::int64_t{kTraceHeight} / peak);
        if (height <= 0) continue;
        // The graph's colour of the bin, its lightness held to the top of the scale.
        const auto shade = static_cast<std::uint8_t>(std::min<std::int64_t>(v, peak));
        const RgbColor color = SpectrumColourOf(facts.traceBins[column], facts.traceBinCount, shade,
                                                facts.tracePeakHeight);
        paint.Column(kLeft + c, kTraceBaseline - static_cast<std::int32_t>(height), kTraceBaseline, color);
    }
}

void DrawHeader(CardPainter& paint, const CardFacts& facts, const CardFonts& fonts) {
    const std::int32_t signLeft = DrawSign(paint, facts.state, fonts);
    const std::int32_t titleRoom = signLeft - kLeft - (signLeft < kRight ? kSignPadding : 0);
    paint.Text(kLeft, kTitleTop, facts.title, *fonts.title, White, Black, titleRoom);
    if (!facts.name.empty()) paint.Text(kLeft, kNameTop, facts.name, *fonts.text, Grey, Black, kRight - kLeft);
}

void DrawStatus(CardPainter& paint, const CardFacts& facts, const CardFonts& fonts) {
    paint.Text(kLeft, kStatusTop, facts.status, *fonts.text, White, Black, kRight - kLeft);
}

void DrawCpuTime(CardPainter& paint, const CardFacts& facts, const CardFonts& fonts) {
    paint.Text(kLeft, kCpuTop, facts.cpuTime, *fonts.text, White, Black, kRight - kLeft);
}

void DrawMeters(CardPainter& paint, const CardFacts& facts, const CardFonts& fonts) {
    paint.Text(kLeft, kMeterTop, "Peak", *fonts.text, White, Black, kPeakMeterLeft - kLeft - 4);
    DrawMeter(paint, kPeakMeterLeft, facts.peakSegments);
    paint.Text(kPeakScoreLeft, kMeterTop, facts.peakScore, *fonts.text, White, Black,
               kGaussianLabelLeft - kPeakScoreLeft - 8);
    paint.Text(kGaussianLabelLeft, kMeterTop, "Gaussian", *fonts.text, White, Black,
               kGaussianMeterLeft - kGaussianLabelLeft - 4);
    DrawMeter(paint, kGaussianMeterLeft, facts.gaussianSegments);
    paint.Text(kGaussianScoreLeft, kMeterTop, facts.gaussianScore, *fonts.text, White, Black,
               kRight - kGaussianScoreLeft);
}

void DrawTraceSection(CardPainter& paint, const CardFacts& facts, const CardFonts&) { DrawTrace(paint, facts); }

// The card in bands that share no pixel, each drawn from its own facts over black: a band
// redrawn alone over its old picture comes out as the whole card drawn afresh. A steady
// client changes its trace and its times a few times a second, rarely the rest.
struct CardSection {
    Rect band;  // from the cell's corner: all the section draws, and nothing of another's
    bool (*same)(const CardFacts&, const CardFacts&);
    void (*draw)(CardPainter&, const CardFacts&, const CardFonts&);
};

constexpr CardSection kSections[] = {
    {Rect{kLeft, kTitleTop, kRight, kNameTop + kTextHeight},
     [](const CardFacts& a, const CardFacts& b) { return a.title == b.title && a.name == b.name && a.state == b.state; },
     DrawHeader},
    {Rect{kLeft, kStatusTop, kRight, kStatusTop + kTextHeight},
     [](const CardFacts& a, const CardFacts& b) { return a.status == b.status; }, DrawStatus},
    {Rect{kLeft, kBarTop, kRight, kBarTop + kBarHeight},
     [](const CardFacts& a, const CardFacts& b) {
         return a.progressWidth == b.progressWidth && a.percent == b.percent;
     },
     DrawBar},
    {Rect{kLeft, kCpuTop, kRight, kCpuTop + kTextHeight},
     [](const CardFacts& a, const CardFacts& b) { return a.cpuTime == b.cpuTime; }, DrawCpuTime},
    {Rect{kLeft, kMeterTop, kRight, kMeterTop + kTextHeight},
     [](const CardFacts& a, const CardFacts& b) {
         return a.peakSegments == b.peakSegments && a.gaussianSegments == b.gaussianSegments &&
                a.peakScore == b.peakScore && a.gaussianScore == b.gaussianScore;
     },
     DrawMeters},
    {Rect{kLeft, kTraceBaseline - kTraceHeight, kRight, kTraceBaseline + 1},
     [](const CardFacts& a, const CardFacts& b) {
         return a.traceBinCount == b.traceBinCount && a.tracePeakHeight == b.tracePeakHeight &&
                a.traceValues == b.traceValues && a.traceBins == b.traceBins;
     },
     DrawTraceSection},
};
static_assert(kNameTop + kTextHeight <= kStatusTop && kStatusTop + kTextHeight <= kBarTop &&
                  kBarTop + kBarHeight <= kCpuTop && kCpuTop + kTextHeight <= kMeterTop &&
                  kMeterTop + kTextHeight <= kTraceBaseline - kTraceHeight,
              "the bands share no row");

}  // namespace

CardFonts CardFonts::Make() {
    CardFonts fonts;
    fonts.title = GdiObject::MakeArialFont(kTitleHeight, true);
    fonts.text = GdiObject::MakeArialFont(kTextHeight, false);
    fonts.sign = GdiObject::MakeArialFont(kTextHeight, true);
    return fonts;
}

void DrawClientCard(Canvas& canvas, const Rect& cell, const CardFacts& facts, const CardFonts& fonts) {
    canvas.ClipTo(cell);
    CardPainter paint(canvas, cell);
    paint.Fill(0, 0, kCardWidth, kCardHeight, Black);
    DrawFrame(paint);
    for (const CardSection& section : kSections) section.draw(paint, facts, fonts);
    canvas.Unclip();
}

void UpdateClientCard(Canvas& canvas, const Rect& cell, const CardFacts& shown, const CardFacts& facts,
                      const CardFonts& fonts) {
    canvas.ClipTo(cell);
    CardPainter paint(canvas, cell);
    for (const CardSection& section : kSections) {
        if (section.same(shown, facts)) continue;
        const Rect& band = section.band;
        paint.Fill(band.left, band.top, band.right, band.bottom, Black);
        section.draw(paint, facts, fonts);
    }
    canvas.Unclip();
}

CardPicture DrawCardAlone(const CardFacts& facts) {
    CardPicture picture;
    picture.bitmap = GdiObject::MakeBitmap(kCardWidth, kCardHeight);
    picture.canvas = std::make_unique<Canvas>(*picture.bitmap);
    picture.fonts = CardFonts::Make();
    DrawClientCard(*picture.canvas, Rect{0, 0, kCardWidth, kCardHeight}, facts, picture.fonts);
    // GDI batches per thread: whoever reads the pixels next sees all of them.
    picture.canvas->FinishDrawing();
    return picture;
}
