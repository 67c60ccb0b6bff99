#include "graphics/raster_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace {

struct FaceChoice {
    std::string path;
    int index = 0;
    bool boldFace = false;  // the file itself is bold: no emboldening needed
};

bool IsReadableFile(const char* path) {
    struct stat info {};
    return path != nullptr && ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool SameFamily(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// fontconfig always answers with something; `requireFamily` refuses an answer that is not
// the family asked for (so that a missing Liberation Sans falls through to Arial's aliases).
bool MatchFace(const char* family, bool bold, bool requireFamily, FaceChoice& choice) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;

    bool found = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        IsReadableFile(reinterpret_cast<const char*>(file))) {
        bool familyMatches = !requireFamily;
        FcChar8* matched = nullptr;
        for (int i = 0; !familyMatches && FcPatternGetString(match, FC_FAMILY, i, &matched) == FcResultMatch; ++i) {
            familyMatches = SameFamily(reinterpret_cast<const char*>(matched), family);
        }
        if (familyMatches) {
            int index = 0;
            int weight = FC_WEIGHT_REGULAR;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            choice.path = reinterpret_cast<const char*>(file);
            choice.index = index;
            choice.boldFace = weight >= FC_WEIGHT_DEMIBOLD;
            found = true;
        }
    }
    FcPatternDestroy(match);
    return found;
}

FaceChoice ChooseFace(bool bold) {
    FaceChoice choice;
    if (FcInit() == FcFalse) return choice;
    if (MatchFace("Liberation Sans", bold, true, choice)) return choice;
    if (MatchFace("Arial", bold, false, choice)) return choice;
    return FaceChoice{};
}

// One FreeType library for the process, made on first use and never released: fonts are
// process-long too. Callers hold FontMutex().
FT_Library Library() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        if (FT_Init_FreeType(&made) != 0) return static_cast<FT_Library>(nullptr);
        // Fixed here rather than left to FREETYPE_PROPERTIES, so that text measures the same
        // wherever the program runs.
        FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
        FT_Property_Set(made, "truetype", "interpreter-version", &interpreter);
        return made;
    }();
    return library;
}

std::mutex& FontMutex() {
    static std::mutex mutex;
    return mutex;
}

struct FaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceCloser>;

void MakeFallbackMetrics(RasterFont& font) {
    font.ascent = font.cellHeight - font.cellHeight / 5;
    font.descent = font.cellHeight - font.ascent;
    for (RasterGlyph& glyph : font.glyphs) glyph = RasterGlyph{font.cellHeight / 2, 0, 0, 0, 0, {}};
}

// The outline is hinted for the normal target and then rendered in monochrome. Hinting for
// the mono target instead runs the face's full bytecode, which at these sizes narrows
// glyphs inside their advances (an "X" 7 pixels wide at 13 ppem, capitals a row taller)
// and gives advances that differ from the rounded widths GDI reports for Arial.
RasterGlyph RenderGlyph(FT_Face face, unsigned char byte, bool embolden) {
    RasterGlyph glyph;
    const FT_UInt index = FT_Get_Char_Index(face, AnsiToUnicode(byte));  // 0: the face's missing-glyph box
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (embolden) FT_GlyphSlot_Embolden(slot);
    glyph.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.buffer == nullptr) return glyph;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.columns = static_cast<std::int32_t>(bitmap.width);
    glyph.rows = static_cast<std::int32_t>(bitmap.rows);
    glyph.ink.assign(static_cast<std::size_t>(glyph.columns) * static_cast<std::size_t>(glyph.rows), 0);
    const int pitch = bitmap.pitch;
    for (std::int32_t row = 0; row < glyph.rows; ++row) {
        // A negative pitch means the rows are stored bottom up.
        const unsigned char* bits =
            pitch >= 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(row) * pitch
                       : bitmap.buffer + static_cast<std::ptrdiff_t>(glyph.rows - 1 - row) * -pitch;
        for (std::int32_t column = 0; column < glyph.columns; ++column) {
            const bool on = (bits[column >> 3] & (0x80 >> (column & 7))) != 0;
            glyph.ink[static_cast<std::size_t>(row) * static_cast<std::size_t>(glyph.columns) +
                      static_cast<std::size_t>(column)] = on ? 1 : 0;
        }
    }
    return glyph;
}

// Sizes the face the way GDI does for a positive height: the Windows ascent plus descent
// of the em, scaled, make the cell, and the em is rounded to whole pixels (hinting needs
// an integral size; GDI rounds the same way).
bool LoadFace(const FaceChoice& choice, RasterFont& font) {
    FT_Library library = Library();
    if (library == nullptr) return false;
    FT_Face raw = nullptr;
    if (FT_New_Face(library, choice.path.c_str(), choice.index, &raw) != 0) return false;
    FacePtr face(raw);
    if (!FT_IS_SCALABLE(face.get()) || face->units_per_EM == 0) return false;
    FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE);

    std::int64_t winAscent = face->ascender;
    std::int64_t winDescent = -static_cast<std::int64_t>(face->descender);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_OS2));
        os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    }
    const std::int64_t cellUnits = winAscent + winDescent;
    if (cellUnits <= 0) return false;

    const std::int64_t emPixels =
        (static_cast<std::int64_t>(font.cellHeight) * face->units_per_EM + cellUnits / 2) / cellUnits;
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(std::max<std::int64_t>(emPixels, 1))) != 0) {
        return false;
    }

    font.ascent = static_cast<std::int32_t>((winAscent * font.cellHeight + cellUnits / 2) / cellUnits);
    font.descent = font.cellHeight - font.ascent;
    const bool embolden = font.bold && !choice.boldFace;
    for (int byte = 1; byte < 256; ++byte) {
        font.glyphs[static_cast<std::size_t>(byte)] = RenderGlyph(face.get(), static_cast<unsigned char>(byte), embolden);
    }
    return true;
}

}  // namespace

std::string FindArialFaceFile(bool bold) {
    std::lock_guard<std::mutex> lock(FontMutex());
    return ChooseFace(bold).path;
}

std::shared_ptr<const RasterFont> RasterFont::Get(std::int32_t cellHeight, bool bold) {
    const std::int32_t height = std::clamp<std::int32_t>(cellHeight, 1, kMaxCellHeight);
    std::lock_guard<std::mutex> lock(FontMutex());
    static std::map<std::pair<std::int32_t, bool>, std::shared_ptr<const RasterFont>> fonts;
    const auto key = std::make_pair(height, bold);
    if (auto known = fonts.find(key); known != fonts.end()) return known->second;

    auto font = std::make_shared<RasterFont>();
    font->cellHeight = height;
    font->bold = bold;
    const FaceChoice choice = ChooseFace(bold);
    if (!choice.path.empty() && LoadFace(choice, *font)) {
        font->facePath = choice.path;
    } else {
        MakeFallbackMetrics(*font);
    }
    fonts.emplace(key, font);
    return font;
}

std::int32_t RasterFont::TextWidth(const char* text) const {
    if (text == nullptr) return 0;
    std::int64_t width = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        width += glyphs[static_cast<unsigned char>(*p)].advance;
        if (width > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(width);
}
