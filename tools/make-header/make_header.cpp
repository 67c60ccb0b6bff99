// Draws the status screen's header image and writes it as the 8-bit BMP the saver reads:
// 500 x 41, a full 256-entry colour table, uncompressed, stored bottom row first.
//
//   orvane-make-header [output.bmp]     (default: header.bmp)
//
// Everything is drawn from integers so that the output is the same on every machine.
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kWidth = 500;  // a multiple of 4: the saver's reader expects unpadded rows
constexpr int kHeight = 41;

struct Rgb {
    int r;
    int g;
    int b;
};

int Mix(int from, int to, int step, int steps) { return from + (to - from) * step / steps; }

Rgb MixRgb(const Rgb& from, const Rgb& to, int step, int steps) {
    return Rgb{Mix(from.r, to.r, step, steps), Mix(from.g, to.g, step, steps), Mix(from.b, to.b, step, steps)};
}

class Image {
public:
    Image() : pixels_(static_cast<std::size_t>(kWidth) * kHeight) {}

    void Set(int x, int y, const Rgb& color) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
        pixels_[static_cast<std::size_t>(y) * kWidth + x] = color;
    }
    const Rgb& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * kWidth + x]; }

private:
    std::vector<Rgb> pixels_;
};

// Five by seven blocks per letter, drawn by hand; '#' is a block.
struct Glyph {
    char letter;
    const char* rows[7];
};

constexpr Glyph kGlyphs[] = {
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
};

const Glyph* FindGlyph(char letter) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.letter == letter) return &glyph;
    }
    return nullptr;
}

constexpr Rgb kViolet{153, 102, 255};  // the frame's violet, so header and frame belong together
constexpr Rgb kBlue{48, 112, 240};

void DrawBackground(Image& image) {
    const Rgb top{6, 4, 18};
    const Rgb bottom{16, 10, 40};
    for (int y = 0; y < kHeight; ++y) {
        const Rgb row = MixRgb(top, bottom, y, kHeight - 1);
        for (int x = 0; x < kWidth; ++x) image.Set(x, y, row);
    }
}

// A band across the foot of the image, violet at the left turning blue, fading out at the
// right end into the background; a lighter line on its top edge catches the eye.
void DrawBand(Image& image) {
    constexpr int kSteps = 50;  // colours come in steps of 10 pixels: few enough for the table
    constexpr int kBandTop = 33;
    constexpr int kBandBottom = 37;
    constexpr int kFadeFrom = 400;
    for (int x = 0; x < kWidth; ++x) {
        const int step = x * kSteps / kWidth;
        Rgb color = MixRgb(kViolet, kBlue, step, kSteps - 1);
        if (x >= kFadeFrom) {
            const int fade = (x - kFadeFrom) * 10 / (kWidth - kFadeFrom);
            color = MixRgb(color, image.At(x, kBandTop), fade, 10);
        }
        const Rgb highlight = MixRgb(color, Rgb{255, 255, 255}, 2, 5);
        image.Set(x, kBandTop - 1, highlight);
        for (int y = kBandTop; y < kBandBottom; ++y) image.Set(x, y, color);
    }
}

// A row of thin spectrum-like bars standing on the band: a nod to what the saver shows.
void DrawSpectrum(Image& image) {
    constexpr int kFirst = 170;
    constexpr int kLast = 480;
    constexpr int kBaseY = 31;
    std::uint32_t seed = 0x4F52u;
    for (int x = kFirst; x < kLast; x += 3) {
        seed = seed * 1103515245u + 12345u;
        int height = 2 + static_cast<int>((seed >> 16) % 9u);
        // A few taller peaks, the kind the search looks for.
        if ((seed >> 8) % 23u == 0u) height += 10;
        const int step = (x - kFirst) * 24 / (kLast - kFirst);
        const Rgb color = MixRgb(kViolet, kBlue, step, 24);
        const Rgb dim = MixRgb(color, Rgb{16, 10, 40}, 1, 2);
        for (int i = 0; i < height; ++i) image.Set(x, kBaseY - i, i == height - 1 ? color : dim);
    }
}

void DrawWord(Image& image, const char* word, int left, int top, int scale) {
    const Rgb shadow{70, 40, 140};
    const Rgb light{236, 230, 255};
    const Rgb deep{176, 150, 255};
    for (int pass = 0; pass < 2; ++pass) {
        const int offset = pass == 0 ? 2 : 0;  // the shadow first, two pixels down and right
        int x0 = left;
        for (const char* p = word; *p != '\0'; ++p) {
            const Glyph* glyph = FindGlyph(*p);
            if (glyph != nullptr) {
                for (int row = 0; row < 7; ++row) {
                    for (int column = 0; column < 5; ++column) {
                        if (glyph->rows[row][column] != '#') continue;
                        for (int dy = 0; dy < scale; ++dy) {
                            const int y = top + row * scale + dy;
                            // Letters shade from light at the top to violet at the foot.
                            const Rgb face = MixRgb(light, deep, row * scale + dy, 7 * scale - 1);
                            for (int dx = 0; dx < scale; ++dx) {
                                image.Set(x0 + column * scale + dx + offset, y + offset, pass == 0 ? shadow : face);
                            }
                        }
                    }
                }
            }
            x0 += 7 * scale;  // five blocks and two of space
        }
    }
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Indexes the image's colours into a 256-entry table; false when it holds more than 256.
bool Encode(const Image& image, std::vector<std::uint8_t>& out) {
    std::map<std::uint32_t, int> index;
    std::vector<std::uint32_t> table;
    std::vector<std::uint8_t> rows;
    rows.reserve(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = kHeight - 1; y >= 0; --y) {  // bottom row first
        for (int x = 0; x < kWidth; ++x) {
            const Rgb& c = image.At(x, y);
            const std::uint32_t key = static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 |
                                      static_cast<std::uint32_t>(c.b);
            auto found = index.find(key);
            if (found == index.end()) {
                if (table.size() == 256) return false;
                found = index.emplace(key, static_cast<int>(table.size())).first;
                table.push_back(key);
            }
            rows.push_back(static_cast<std::uint8_t>(found->second));
        }
    }
    table.resize(256, 0);

    constexpr std::uint32_t kPixelOffset = 14 + 40 + 256 * 4;
    const auto pixelBytes = static_cast<std::uint32_t>(rows.size());
    out.clear();
    out.push_back('B');
    out.push_back('M');
    PutLe(out, kPixelOffset + pixelBytes, 4);  // file size
    PutLe(out, 0, 4);                          // reserved
    PutLe(out, kPixelOffset, 4);
    PutLe(out, 40, 4);  // info header size
    PutLe(out, kWidth, 4);
    PutLe(out, kHeight, 4);  // positive: bottom-up
    PutLe(out, 1, 2);        // planes
    PutLe(out, 8, 2);        // bits per pixel
    PutLe(out, 0, 4);        // BI_RGB, uncompressed
    PutLe(out, pixelBytes, 4);
    PutLe(out, 2835, 4);  // 72 dpi
    PutLe(out, 2835, 4);
    PutLe(out, 256, 4);  // colours used
    PutLe(out, 0, 4);    // all important
    for (std::uint32_t entry : table) {
        out.push_back(static_cast<std::uint8_t>(entry & 0xFF));          // blue
        out.push_back(static_cast<std::uint8_t>((entry >> 8) & 0xFF));   // green
        out.push_back(static_cast<std::uint8_t>((entry >> 16) & 0xFF));  // red
        out.push_back(0);
    }
    out.insert(out.end(), rows.begin(), rows.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "header.bmp";

    Image image;
    DrawBackground(image);
    DrawBand(image);
    DrawSpectrum(image);
    DrawWord(image, "ORVANE", 14, 5, 3);

    std::vector<std::uint8_t> bytes;
    if (!Encode(image, bytes)) {
        std::fprintf(stderr, "orvane-make-header: the image has more than 256 colours\n");
        return 1;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "orvane-make-header: cannot write %s\n", path);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "orvane-make-header: writing %s failed\n", path);
        return 1;
    }
    return 0;
}
