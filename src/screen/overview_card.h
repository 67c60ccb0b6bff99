// One card of the overview: a client at a glance, 480 x 270 at scale 1 (four by four fill a
// 1920 x 1080 monitor). The title (the label, or the name), the name under a label, status
// text A, the overall bar and percentage, the CPU time, the best peak's and best Gaussian's
// meters with their scores, the newest spectrum as a trace, and "stale" or "ended" at the top
// right when the client has stopped.
//
// A card draws only inside its cell and depends on nothing but its facts and its fonts, so the
// card in a grid is, pixel for pixel, the card drawn alone.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"
#include "graphics/rect.h"
#include "screen/overview_card_facts.h"

inline constexpr std::int32_t kCardWidth = 480;
inline constexpr std::int32_t kCardHeight = 270;

// The fonts cards are drawn with; made once per canvas that draws cards.
struct CardFonts {
    static CardFonts Make();

    std::unique_ptr<GdiObject> title;  // bold, 20 pixels
    std::unique_ptr<GdiObject> text;   // regular, 14 pixels: the status screen's
    std::unique_ptr<GdiObject> sign;   // bold, 14 pixels
};

// Draws the card of `facts` over the whole of `cell` (a card's size; a smaller cell shows the
// card's top left part), background included. Nothing outside the cell changes. Leaves the
// canvas unclipped, with the card's last font and colours selected.
void DrawClientCard(Canvas& canvas, const Rect& cell, const CardFacts& facts, const CardFonts& fonts);
// Brings the card of `shown`, which `cell` holds, to the card of `facts`, drawing only its parts
// that differ: the same pixels as DrawClientCard of `facts`, for a fraction of the work when
// only the times or the trace moved.
void UpdateClientCard(Canvas& canvas, const Rect& cell, const CardFacts& shown, const CardFacts& facts,
                      const CardFonts& fonts);

// A card drawn alone on a canvas of its own: what a test or a tool compares a card of the
// overview with.
struct CardPicture {
    CardFonts fonts;  // selected into the canvas: kept as long as it
    std::unique_ptr<GdiObject> bitmap;
    std::unique_ptr<Canvas> canvas;
};
CardPicture DrawCardAlone(const CardFacts& facts);
