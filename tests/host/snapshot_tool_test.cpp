// orvane-snapshot end to end: a populated record in, a picture and a served record out; a live
// record of the family by name drawn as its dump is, and a name outside the family left alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <set>
#include <vector>

#include "common/library_client.h"
#include "record/demo_record.h"
#include "record/record_builder.h"
#include "record/record_items.h"
#include "snapshot_options.h"
#include "snapshot_run.h"

namespace {

namespace fs = std::filesystem;

fs::path TempDir() {
    const fs::path dir = fs::temp_directory_path() / ("orvane-snapshot-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

std::vector<unsigned char> ReadAll(const fs::path& path) {
    std::vector<unsigned char> bytes(fs::file_size(path));
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    return bytes;
}

void WriteAll(const fs::path& path, const void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes, 1, size, file), size);
    std::fclose(file);
}

bool PngSize(const fs::path& path, png_uint_32& width, png_uint_32& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
    width = image.width;
    height = image.height;
    png_image_free(&image);
    return true;
}

std::set<std::size_t> FlagOffsets() {
    std::set<std::size_t> offsets;
    for (int i = 0; i < kRecordFlagCount; ++i) offsets.insert(FlagOffsetByIndex(i));
    return offsets;
}

}  // namespace

TEST(SnapshotTool, ServesEveryRaisedFlagAndChangesNothingElse) {
    const fs::path dir = TempDir();
    // A longer file than the record: its tail belongs to the client and must come back unchanged.
    std::vector<std::uint64_t> storage((kSharedStatusSize + 4096) / 8, 0);
    auto* record = reinterpret_cast<SharedStatus*>(storage.data());
    FillDemoRecord(*record);
    SetRecordText(record->status_text_b, "Status B");
    RaiseFlag(record->status_text_b_changed);
    reinterpret_cast<unsigned char*>(storage.data())[kSharedStatusSize + 100] = 0x5A;
    const std::size_t fileSize = storage.size() * 8;
    WriteAll(dir / "r.bin", storage.data(), fileSize);

    SnapshotOptions options;
    std::string error;
    ASSERT_TRUE(ParseSnapshotOptions({"--record", (dir / "r.bin").string(), "--out", (dir / "s.png").string(),
                                      "--record-out", (dir / "r2.bin").string(), "--header", "no-such.bmp"},
                                     options, error))
        << error;
    ASSERT_EQ(RunSnapshot(options, error), 0) << error;

    png_uint_32 width = 0, height = 0;
    ASSERT_TRUE(PngSize(dir / "s.png", width, height));
    EXPECT_EQ(width, 752u);
    EXPECT_EQ(height, 445u);

    const auto before = ReadAll(dir / "r.bin");
    const auto after = ReadAll(dir / "r2.bin");
    ASSERT_EQ(after.size(), before.size());
    SharedStatus served;
    std::memcpy(&served, after.data(), sizeof served);
    EXPECT_EQ(served.graph_area_width, 642);
    EXPECT_EQ(served.graph_area_height, 185);
    const std::set<std::size_t> flags = FlagOffsets();
    for (const std::size_t offset : flags) {
        std::int32_t value;
        std::memcpy(&value, after.data() + offset, 4);
        EXPECT_EQ(value, 0) << "flag at " << offset;
    }
    const std::size_t areaWidth = offsetof(SharedStatus, graph_area_width);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::size_t field = i & ~std::size_t{3};
        if (flags.count(field) != 0 || field == areaWidth || field == areaWidth + 4) continue;
        ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
    fs::remove_all(dir);
}

TEST(SnapshotTool, RefusesShortRecordsMissingFilesAndUnwritableOutputs) {
    const fs::path dir = TempDir();
    std::vector<unsigned char> shortRecord(kSharedStatusSize - 1, 0);
    WriteAll(dir / "short.bin", shortRecord.data(), shortRecord.size());
    SnapshotOptions options;
    std::string error;
    options.recordPath = (dir / "short.bin").string();
    options.outPath = (dir / "s.png").string();
    EXPECT_NE(RunSnapshot(options, error), 0);
    EXPECT_NE(error.find("126856"), std::string::npos) << error;

    options.recordPath = (dir / "missing.bin").string();
    EXPECT_NE(RunSnapshot(options, error), 0);
    EXPECT_FALSE(error.empty());

    options = {};
    options.demo = true;
    options.outPath = (dir / "no-such-dir" / "s.png").string();
    EXPECT_NE(RunSnapshot(options, error), 0);
    EXPECT_NE(error.find("picture"), std::string::npos) << error;
    fs::remove_all(dir);
}

TEST(SnapshotOptionsParsing, NeedsOneSourceAndAnOutputAndWholeTicks) {
    SnapshotOptions options;
    std::string error;
    EXPECT_FALSE(ParseSnapshotOptions({"--out", "s.png"}, options, error));
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record", "r", "--live", "--out", "s.png"}, options, error));
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record", "r"}, options, error));
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record", "r", "--out", "s.png", "--ticks", "-1"}, options, error));
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record", "r", "--out", "s.png", "--ticks", "3x"}, options, error));
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record", "r", "--out", "s.png", "--bogus"}, options, error));
    EXPECT_NE(error.find("--bogus"), std::string::npos);
    options = {};
    EXPECT_FALSE(ParseSnapshotOptions({"--record"}, options, error));
    options = {};
    ASSERT_TRUE(ParseSnapshotOptions({"--live", "--out", "s.png", "--ticks", "5", "--header", "h.bmp"}, options, error));
    EXPECT_TRUE(options.live);
    EXPECT_EQ(options.ticks, 5);
    EXPECT_EQ(options.headerPath, "h.bmp");
}

TEST(SnapshotTool, DrawsALiveRecordByNameAsItsDumpIsDrawn) {
    const fs::path dir = TempDir();
    LibraryClient client("orvane_share_63");
    ASSERT_EQ(client.status, ORVANE_OK) << client.message;
    FillDemoRecord(client.Record(), 7);
    std::vector<unsigned char> before(kSharedStatusSize);
    std::memcpy(before.data(), &client.Record(), kSharedStatusSize);
    WriteAll(dir / "dump.bin", before.data(), before.size());

    // The same encoder on the same pixels writes the same bytes.
    const auto snapshot = [&dir](std::vector<std::string> source, const char* png) {
        source.insert(source.end(), {"--out", (dir / png).string(), "--header", "no-such.bmp"});
        SnapshotOptions options;
        std::string error;
        EXPECT_TRUE(ParseSnapshotOptions(source, options, error)) << error;
        EXPECT_EQ(RunSnapshot(options, error), 0) << error;
        return fs::exists(dir / png) ? ReadAll(dir / png) : std::vector<unsigned char>{};
    };
    const std::vector<unsigned char> live = snapshot({"--name", "orvane_share_63"}, "live.png");
    ASSERT_FALSE(live.empty());
    EXPECT_TRUE(live == snapshot({"--record", (dir / "dump.bin").string()}, "dump.png"));
    // Passive: no flag lowered, no area offered, no marker.
    EXPECT_EQ(std::memcmp(before.data(), &client.Record(), kSharedStatusSize), 0);
    fs::remove_all(dir);
}

TEST(SnapshotTool, RefusesANameOutsideTheFamilyWithoutOpeningIt) {
    SnapshotOptions options;
    std::string error;
    for (const char* stranger : {"orvane_other", "orvane_share_65", "orvane_share_1", "../orvane_share", ""}) {
        options = {};
        EXPECT_FALSE(ParseSnapshotOptions({"--name", stranger, "--out", "s.png"}, options, error)) << stranger;
    }
    EXPECT_FALSE(ParseSnapshotOptions({"--name", "orvane_share_2", "--record", "r.bin", "--out", "s.png"}, options, error));

    // A record that exists under a name of no client's family: a caller that fills the options
    // itself gets no picture of it, and the record gets no readers' board beside it.
    const fs::path dir = TempDir();
    const std::string name = "orvane_snapshot_" + std::to_string(::getpid());
    LibraryClient stranger(name);
    ASSERT_EQ(stranger.status, ORVANE_OK) << stranger.message;
    FillDemoRecord(stranger.Record());
    options = {};
    options.name = name;
    options.outPath = (dir / "s.png").string();
    EXPECT_NE(RunSnapshot(options, error), 0);
    EXPECT_NE(error.find("family"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "s.png"));
    struct stat board {};
    EXPECT_NE(::stat(("/dev/shm/" + name + ".readers").c_str(), &board), 0);
    fs::remove_all(dir);
}
