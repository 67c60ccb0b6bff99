// The raster backend's stand-in for a GDI font: an Arial-metric face (Liberation Sans,
// found through fontconfig) rendered by FreeType in monochrome, so that a text pixel is
// exactly the text colour or the background colour, as with GDI's non-antialiased output.
//
// Metrics follow GDI's CreateFont with a positive height: the cell (ascent + descent) is
// the requested height, scaled from the face's Windows ascent and descent; a text's width
// is the sum of the glyphs' hinted whole-pixel advances, without kerning.
//
// Only the raster sources include this header.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/ansi_text.h"

struct RasterGlyph {
    std::int32_t advance = 0;  // pixels the pen moves on
    std::int32_t left = 0;     // from the pen position right to the bitmap's first column
    std::int32_t top = 0;      // from the baseline up to the bitmap's first row
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    std::vector<std::uint8_t> ink;  // columns x rows, row by row from the top; 1 = drawn

    bool Inked(std::int32_t column, std::int32_t row) const {
        return ink[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column)] != 0;
    }
};

struct RasterFont {
    // The font of that cell height and weight. Fonts are made once per (height, weight)
    // and kept for the life of the process, so a plain pointer to one never dangles.
    // Heights are held to 1..kMaxCellHeight.
    static std::shared_ptr<const RasterFont> Get(std::int32_t cellHeight, bool bold);

    static constexpr std::int32_t kMaxCellHeight = 512;

    std::int32_t TextWidth(const char* text) const;  // 0 for a null text; held to int32
    const RasterGlyph& GlyphFor(unsigned char byte) const { return glyphs[byte]; }

    std::int32_t cellHeight = 0;
    std::int32_t ascent = 0;   // from the cell's top down to the baseline
    std::int32_t descent = 0;  // cellHeight - ascent
    bool bold = false;
    // The face file; empty when no face could be found, in which case every character
    // advances by half the cell height and nothing is drawn.
    std::string facePath;
    std::array<RasterGlyph, 256> glyphs;  // by ANSI byte, all rendered when the font is made
};

// The face file that fontconfig offers for "Liberation Sans" (regular or bold), else for
// "Arial"; empty when it offers nothing that exists.
std::string FindArialFaceFile(bool bold);
