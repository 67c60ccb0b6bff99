// The record is a byte format shared with a separately built client: these tests read and
// write it through raw little-endian bytes at the published offsets, not through the struct.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "record/record_builder.h"
#include "record/shared_mapping.h"
#include "record/shared_status.h"

namespace {

std::int32_t Int32At(const SharedStatus& record, std::size_t offset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record) + offset;
    return static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<unsigned>(bytes[3]) << 24);
}

void PutInt32At(SharedStatus& record, std::size_t offset, std::int32_t value) {
    auto* bytes = reinterpret_cast<unsigned char*>(&record) + offset;
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

template <typename T>
T ValueAt(const SharedStatus& record, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
    return value;
}

}  // namespace

TEST(SharedRecordLayout, FieldsWrittenByNameLandAtTheirOffsets) {
    RecordBuilder builder;
    builder.UserInfo("Ada", 42, 1234.5)
        .DataInfo(13.5f, 18.25f, 2451545.0, 2, 1.42e9)
        .Band(2.5e6, 3, 1048576)
        .StatusTextA("alpha")
        .StatusTextB("beta")
        .Progress(0.25f)
        .StepFraction(0.75f)
        .CpuTime(99.5)
        .SearchParams(-1.5f, 4096)
        .Message(true, "line one", "line two");
    SharedStatus& r = builder.Record();

    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 72, "Ada");
    EXPECT_EQ(Int32At(r, 340), 42);
    EXPECT_EQ(ValueAt<double>(r, 344), 1234.5);
    EXPECT_EQ(Int32At(r, 360), 1);
    EXPECT_EQ(ValueAt<float>(r, 380), 13.5f);
    EXPECT_EQ(ValueAt<float>(r, 384), 18.25f);
    EXPECT_EQ(ValueAt<double>(r, 400), 2451545.0);
    EXPECT_EQ(ValueAt<double>(r, 416), 1.42e9);
    EXPECT_EQ(ValueAt<double>(r, 424), 2.5e6);
    EXPECT_EQ(Int32At(r, 436), 3);
    EXPECT_EQ(Int32At(r, 444), 2);
    EXPECT_EQ(ValueAt<std::uint32_t>(r, 448), 1048576u);
    EXPECT_EQ(Int32At(r, 3040), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 3044, "alpha");
    EXPECT_EQ(Int32At(r, 3124), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 3128, "beta");
    EXPECT_EQ(Int32At(r, 3208), 1);
    EXPECT_EQ(ValueAt<float>(r, 3212), 0.25f);
    EXPECT_EQ(ValueAt<float>(r, 3220), 0.75f);
    EXPECT_EQ(ValueAt<double>(r, 3232), 99.5);
    EXPECT_EQ(ValueAt<float>(r, 3244), -1.5f);
    EXPECT_EQ(Int32At(r, 3248), 4096);
    EXPECT_EQ(Int32At(r, 3344), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 3348, "line one");
    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 3476, "line two");
    EXPECT_EQ(Int32At(r, 3604), 1);
}

TEST(SharedRecordLayout, RawBytesReadBackThroughTheFieldNames) {
    auto record = MakeZeroRecord();
    SharedStatus& r = *record;
    PutInt32At(r, 3608, 642);
    PutInt32At(r, 3612, 185);
    PutInt32At(r, 3616, -60);
    PutInt32At(r, 3620, 100);
    PutInt32At(r, 3624, 1);
    PutInt32At(r, 3628, 50);
    PutInt32At(r, 3632, 7);
    PutInt32At(r, 3636, 203);
    PutInt32At(r, 3640, 600);
    PutInt32At(r, 4244 + 604 * 5, -1);
    reinterpret_cast<unsigned char*>(&r)[3644 + 604 * 202 + 599] = 0xAB;
    PutInt32At(r, 126848, 1);
    PutInt32At(r, 126852, 0x40);
    // Peak and Gaussian summaries: every field at its place in the sub-record.
    PutInt32At(r, 3284 + 8, 17);
    PutInt32At(r, 3284 + 12, 23);
    PutInt32At(r, 3284 + 20, 2048);
    PutInt32At(r, 3312 + 12, 31);
    PutInt32At(r, 3312 + 16, 37);
    PutInt32At(r, 3312 + 24, 8192);

    EXPECT_EQ(r.graph_area_width, 642);
    EXPECT_EQ(r.graph_area_height, 185);
    EXPECT_EQ(r.graph_depth_x, -60);
    EXPECT_EQ(r.graph_depth_y, 100);
    EXPECT_EQ(r.graph_mirrored, 1);
    EXPECT_EQ(r.graph_peak_height, 50);
    EXPECT_EQ(r.graph_frame_changed, 7);
    EXPECT_EQ(r.graph_row_count, 203);
    EXPECT_EQ(r.graph_bin_count, 600);
    EXPECT_EQ(r.spectrum_rows[5].changed, -1);
    EXPECT_EQ(r.spectrum_rows[202].values[599], 0xAB);
    EXPECT_EQ(r.saver_attached, 1);
    EXPECT_EQ(r.saver_priority_class, 0x40);
    EXPECT_EQ(r.best_peak.freq_bin, 17);
    EXPECT_EQ(r.best_peak.time_bin, 23);
    EXPECT_EQ(r.best_peak.fft_length, 2048);
    EXPECT_EQ(r.best_gaussian.freq_bin, 31);
    EXPECT_EQ(r.best_gaussian.time_bin, 37);
    EXPECT_EQ(r.best_gaussian.fft_length, 8192);
}

TEST(SharedRecordHandshake, AnyNonZeroValueIsRaisedAndLoweringWritesZeroOnly) {
    auto record = MakeZeroRecord();
    std::vector<unsigned char> before(sizeof(SharedStatus));
    for (const std::int32_t raised : {1, 2, -1, 0x7FFFFFFF}) {
        record->best_peak_changed = raised;
        EXPECT_NE(ReadFlag(record->best_peak_changed), 0) << raised;
        std::memcpy(before.data(), record.get(), before.size());
        LowerFlag(record->best_peak_changed);
        EXPECT_EQ(Int32At(*record, 3308), 0);
        // Only the flag's four bytes changed.
        const auto* after = reinterpret_cast<const unsigned char*>(record.get());
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (i >= 3308 && i < 3312) continue;
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
}

TEST(SharedRecordHandshake, AttachSetsMarkerAndPriorityAndDetachClearsOnlyTheMarker) {
    auto record = MakeZeroRecord();
    MarkSaverAttached(*record, 0x20);
    EXPECT_EQ(Int32At(*record, 126848), 1);
    EXPECT_EQ(Int32At(*record, 126852), 0x20);
    MarkSaverDetached(*record);
    EXPECT_EQ(Int32At(*record, 126848), 0);
    EXPECT_EQ(Int32At(*record, 126852), 0x20);
    // A later saver run attaches again.
    MarkSaverAttached(*record, 0x40);
    EXPECT_EQ(Int32At(*record, 126848), 1);
    EXPECT_EQ(Int32At(*record, 126852), 0x40);
}

TEST(SharedRecordHandshake, AttachStoresTheMarkerBeforeThePriorityClass) {
    // The final values cannot show the order; the stores themselves, seen one by one, can.
    auto record = MakeZeroRecord();
    const auto* base = reinterpret_cast<const unsigned char*>(record.get());
    std::vector<std::pair<std::ptrdiff_t, std::int32_t>> stores;
    MarkSaverAttachedThrough(*record, 0x40, [&](std::int32_t& field, std::int32_t value) {
        stores.emplace_back(reinterpret_cast<const unsigned char*>(&field) - base, value);
        WriteFlag(field, value);
    });
    const std::vector<std::pair<std::ptrdiff_t, std::int32_t>> expected{{126848, 1}, {126852, 0x40}};
    EXPECT_EQ(stores, expected);
}

TEST(SharedRecordHandshake, PriorityClassOfThisProcessIsAKnownClassCode) {
    const std::int32_t priorityClass = CaptureSaverPriorityClass();
    EXPECT_TRUE(priorityClass == 0x20 || priorityClass == 0x40 || priorityClass == 0x80 || priorityClass == 0x100 ||
                priorityClass == 0x4000 || priorityClass == 0x8000)
        << priorityClass;
}
