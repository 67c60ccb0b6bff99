// The copy images a Linux front end sends: the status screen reduced for a small window,
// whole and for the few rows of a steady tick, against the plain copy at scale 1.
#include <cstdint>
#include <memory>
#include <vector>

#include "bench_cases.h"
#include "graphics/copy_image.h"

namespace {

constexpr std::int32_t kWidth = 752;
constexpr std::int32_t kHeight = 445;

struct CopyScene {
    std::vector<std::uint32_t> picture;
    std::vector<std::uint32_t> image;
    CanvasCopy copy;
    ImageSize size;
};

std::function<void()> CopyRows(std::int32_t imageWidth, std::int32_t imageHeight, RowSpan drawn) {
    auto scene = std::make_shared<CopyScene>();
    scene->picture.resize(static_cast<std::size_t>(kWidth) * kHeight);
    // Neighbouring pixels differ, as the graph's and the texts' do.
    std::uint32_t state = 12345;
    for (std::uint32_t& pixel : scene->picture) {
        state = state * 1664525u + 1013904223u;
        pixel = state >> 8;
    }
    scene->copy = CanvasCopy{Rect{0, 0, imageWidth, imageHeight + 64}, Rect{0, 32, imageWidth, 32 + imageHeight}, 1};
    scene->size = CopyImageSize(scene->copy, kWidth, kHeight);
    scene->image.resize(static_cast<std::size_t>(scene->size.width) * scene->size.height);
    const RowSource rows = [scene](std::int32_t y) {
        return scene->picture.data() + static_cast<std::size_t>(y) * kWidth;
    };
    return [scene, rows, drawn] {
        WriteCopyRows(rows, kWidth, kHeight, scene->copy, drawn, scene->image.data(),
                      static_cast<std::size_t>(scene->size.width));
    };
}

}  // namespace

std::vector<BenchCase> CopyBenchCases() {
    return {
        {"copy/reduce_whole_752x445_to_400x236", [] { return CopyRows(400, 236, RowSpan{0, kHeight}); }},
        {"copy/reduce_3_rows_752x445_to_400x236", [] { return CopyRows(400, 236, RowSpan{200, 203}); }},
        {"copy/whole_752x445_at_scale_1", [] { return CopyRows(kWidth, kHeight, RowSpan{0, kHeight}); }},
    };
}
