// The coverage mask against the plainest model of it, a flag per pixel: every claim must hand
// out exactly the pixels not yet claimed, as maximal runs from top to bottom, whatever the
// run's place against the 64-row words.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "graphics/column_coverage.h"

namespace {

using Runs = std::vector<std::pair<std::int32_t, std::int32_t>>;

Runs ModelClaim(std::vector<std::vector<bool>>& covered, std::int32_t x, std::int32_t top, std::int32_t bottom) {
    Runs runs;
    const auto width = static_cast<std::int32_t>(covered.size());
    if (x < 0 || x >= width) return runs;
    const auto height = static_cast<std::int32_t>(covered[0].size());
    for (std::int32_t y = std::max(top, 0); y < std::min(bottom, height); ++y) {
        if (!covered[x][y]) {
            if (!runs.empty() && runs.back().second == y) {
                runs.back().second = y + 1;
            } else {
                runs.emplace_back(y, y + 1);
            }
        }
        covered[x][y] = true;
    }
    return runs;
}

Runs Claim(ColumnCoverage& coverage, std::int32_t x, std::int32_t top, std::int32_t bottom) {
    Runs runs;
    coverage.Claim(x, top, bottom, [&runs](std::int32_t first, std::int32_t last) { runs.emplace_back(first, last); });
    return runs;
}

TEST(ColumnCoverage, ClaimsHandOutExactlyTheUncoveredRunsAndCoveredAgrees) {
    // 200 rows: four words, the last one partly used.
    constexpr std::int32_t kWidth = 5;
    constexpr std::int32_t kHeight = 200;
    std::mt19937 random(20261208);
    for (int batch = 0; batch < 50; ++batch) {
        ColumnCoverage coverage;
        coverage.Begin(kWidth, kHeight);
        std::vector<std::vector<bool>> model(kWidth, std::vector<bool>(kHeight, false));
        for (int claim = 0; claim < 60; ++claim) {
            const std::int32_t x = static_cast<std::int32_t>(random() % (kWidth + 2)) - 1;
            const std::int32_t top = static_cast<std::int32_t>(random() % (kHeight + 40)) - 20;
            const std::int32_t length = static_cast<std::int32_t>(random() % 150);
            // Covered is what lets the graph skip a hidden column: it must agree with a claim
            // handing out nothing.
            const Runs expected = ModelClaim(model, x, top, top + length);
            ASSERT_EQ(coverage.Covered(x, top, top + length), expected.empty())
                << "batch " << batch << ", claim " << claim << ": column " << x << ", rows " << top << ".."
                << top + length;
            ASSERT_EQ(Claim(coverage, x, top, top + length), expected)
                << "batch " << batch << ", claim " << claim << ": column " << x << ", rows " << top << ".."
                << top + length;
        }
        coverage.End();
    }
}

TEST(ColumnCoverage, RunsJoinAcrossWordsAndAnEndedBatchLeavesNothingCovered) {
    ColumnCoverage coverage;
    coverage.Begin(2, 200);
    EXPECT_EQ(Claim(coverage, 1, 70, 72), (Runs{{70, 72}}));
    EXPECT_EQ(Claim(coverage, 1, 127, 129), (Runs{{127, 129}}));
    // One run over three words, broken only where rows were claimed before.
    EXPECT_EQ(Claim(coverage, 1, 10, 199), (Runs{{10, 70}, {72, 127}, {129, 199}}));
    EXPECT_EQ(Claim(coverage, 1, 0, 200), (Runs{{0, 10}, {199, 200}}));
    EXPECT_TRUE(Claim(coverage, 1, 0, 200).empty());
    // Off the canvas and empty runs claim nothing.
    EXPECT_TRUE(Claim(coverage, 2, 0, 10).empty());
    EXPECT_TRUE(Claim(coverage, 0, 20, 20).empty());
    EXPECT_TRUE(Claim(coverage, 0, 300, 400).empty());
    coverage.End();

    coverage.Begin(2, 200);
    EXPECT_EQ(Claim(coverage, 1, 0, 200), (Runs{{0, 200}}));
    coverage.End();
}

}  // namespace
