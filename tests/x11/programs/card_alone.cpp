// The overview card of one record, drawn alone by the same code that draws the overview: what
// the many-clients tests compare each card on the screen with.
//
//   x11-card-alone RECORD_FILE NAME live|stale|ended OUT.ppm
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "screen/overview_card.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: x11-card-alone RECORD_FILE NAME live|stale|ended OUT.ppm\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(SharedStatus)) {
        std::fprintf(stderr, "x11-card-alone: %s holds no whole record\n", argv[1]);
        return 1;
    }
    const std::string state = argv[3];
    CardState cardState = CardState::Live;
    if (state == "stale") {
        cardState = CardState::Stale;
    } else if (state == "ended") {
        cardState = CardState::Ended;
    } else if (state != "live") {
        std::fprintf(stderr, "x11-card-alone: '%s' is not live, stale or ended\n", argv[3]);
        return 2;
    }
    const CardPicture card = DrawCardAlone(CardFactsOfObject(bytes.data(), bytes.size(), argv[2], cardState));
    std::FILE* out = std::fopen(argv[4], "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", kCardWidth, kCardHeight);
    for (std::int32_t y = 0; y < kCardHeight; ++y) {
        const std::uint32_t* row = PixelRow(*card.canvas, y);
        for (std::int32_t x = 0; x < kCardWidth; ++x) {
            const unsigned char rgb[3] = {static_cast<unsigned char>(row[x] >> 16), static_cast<unsigned char>(row[x] >> 8),
                                          static_cast<unsigned char>(row[x])};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
