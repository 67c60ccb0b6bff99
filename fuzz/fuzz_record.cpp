// Any bytes as the shared record: the status screen draws whatever a client leaves there, tick
// after tick, while the client goes on writing between the ticks, and the saver writes nothing
// of the record but its own fields and lowered flags; nor does the graph draw outside its panel.
//
// The input is the record, padded with zeros or cut to its size. Its first bytes, the client's
// reserved start of the user block that the saver never reads, double as the script of the
// client's writes between ticks, so any input that reaches the record's fields also has one.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/canvas_raster.h"
#include "record/flag_handshake.h"
#include "screen/status_display.h"
#include "record/record_items.h"
#include "record/shared_status.h"

namespace {

constexpr int kTicks = 4;
constexpr std::size_t kEditSize = 4;
constexpr std::size_t kEditCount = sizeof(UserInfo::client_reserved0) / kEditSize;
constexpr std::size_t kEditsPerPause = kEditCount / (kTicks - 1);
// Where the items and the graph's geometry end and the rows begin.
constexpr std::size_t kHeaderEnd = offsetof(SharedStatus, spectrum_rows);

struct Field {
    std::size_t offset;
    bool isFlag;  // else one of the saver's own fields, which it may set to anything
};

std::vector<Field> SaverWritableFields() {
    std::vector<Field> fields = {
        {offsetof(SharedStatus, graph_area_width), false},
        {offsetof(SharedStatus, graph_area_height), false},
        {offsetof(SharedStatus, saver_attached), false},
        {offsetof(SharedStatus, saver_priority_class), false},
    };
    for (int i = 0; i < kRecordFlagCount; ++i) fields.push_back({FlagOffsetByIndex(i), true});
    std::sort(fields.begin(), fields.end(), [](const Field& a, const Field& b) { return a.offset < b.offset; });
    return fields;
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = SaverWritableFields();
    return fields;
}

std::vector<std::size_t> FlagOffsets() {
    std::vector<std::size_t> flags;
    for (const Field& field : Fields()) {
        if (field.isFlag) flags.push_back(field.offset);
    }
    return flags;
}

std::int32_t Int32At(const unsigned char* bytes, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

[[noreturn]] void Fail(const char* what, std::size_t from, std::size_t to) {
    std::fprintf(stderr, "fuzz_record: %s in bytes %zu..%zu\n", what, from, to);
    std::abort();
}

// Whole fields and the gaps between them: a gap must be as it was, a flag as it was or 0.
void CheckWriteDiscipline(const unsigned char* before, const unsigned char* after) {
    std::size_t at = 0;
    for (const Field& field : Fields()) {
        if (std::memcmp(before + at, after + at, field.offset - at) != 0) {
            Fail("the saver wrote a byte that is not its own", at, field.offset - 1);
        }
        if (field.isFlag) {
            const std::int32_t now = Int32At(after, field.offset);
            if (now != 0 && now != Int32At(before, field.offset)) {
                Fail("the saver raised a flag", field.offset, field.offset + 3);
            }
        }
        at = field.offset + sizeof(std::int32_t);
    }
    if (std::memcmp(before + at, after + at, kSharedStatusSize - at) != 0) {
        Fail("the saver wrote a byte that is not its own", at, kSharedStatusSize - 1);
    }
}

// The screen above the graph's panel, where only the text items draw: the graph never may.
std::vector<std::uint32_t> AboveGraph(const StatusDisplay& display) {
    std::vector<std::uint32_t> pixels;
    const Canvas& canvas = *display.canvas;
    for (std::int32_t y = 0; y < display.graphPanel->top; ++y) {
        const std::uint32_t* row = PixelRow(canvas, y);
        pixels.insert(pixels.end(), row, row + canvas.PixelWidth());
    }
    return pixels;
}

bool OnlyTheGraphDrew(const ItemSet& drawn) {
    for (const RecordItemInfo& item : kRecordItems) {
        if (item.item != RecordItem::GraphFrame && item.item != RecordItem::Message && drawn.Has(item.item)) return false;
    }
    return true;
}

struct Harness {
    Harness() : record(std::make_unique<SharedStatus>()), display(*record, ORVANE_HEADER_IMAGE) {}

    // What the display carries from one input to the next, beside pixels, goes back to how
    // it was built, so that an input runs the same alone as after any other.
    void Reset() {
        *display.progressBox = initialBox;
        *display.peakMeter = initialPeakMeter;
        *display.gaussianMeter = initialGaussianMeter;
    }

    std::unique_ptr<SharedStatus> record;
    StatusDisplay display;
    ProgressBox initialBox = *display.progressBox;
    LevelMeter initialPeakMeter = *display.peakMeter;
    LevelMeter initialGaussianMeter = *display.gaussianMeter;
    const std::vector<std::size_t> flags = FlagOffsets();
    std::array<unsigned char, kSharedStatusSize> before{};
};

// One write of the client. Bytes b0..b3; b2 chooses what is written:
//   bit 1 set: flag number b0 b1 is raised, with b3 as its value (0 raises it as 1);
//   else bits 2-3 pick a byte b3, a 32-bit b3 sign-extended, b3 in the top byte, or an
//   extreme (INT_MAX or INT_MIN by b3's low bit); bit 4 keeps the place among the items
//   and the geometry; bit 0 is the place's 17th bit.
void ApplyEdit(Harness& harness, const unsigned char* edit) {
    auto* bytes = reinterpret_cast<unsigned char*>(harness.record.get());
    const std::size_t low = edit[0] | static_cast<std::size_t>(edit[1]) << 8;
    const unsigned char how = edit[2];
    const unsigned char value = edit[3];
    if ((how & 0x02) != 0) {
        const std::size_t flag = harness.flags[low % harness.flags.size()];
        auto& field = *reinterpret_cast<std::int32_t*>(bytes + flag);
        WriteFlag(field, value == 0 ? 1 : static_cast<std::int8_t>(value));
        return;
    }
    std::size_t offset = low | static_cast<std::size_t>(how & 0x01) << 16;
    offset %= (how & 0x10) != 0 ? kHeaderEnd : kSharedStatusSize;
    std::int32_t word = 0;
    switch ((how >> 2) & 0x03) {
    case 0:
        bytes[offset] = value;
        return;
    case 1:
        word = static_cast<std::int8_t>(value);
        break;
    case 2:
        word = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 24);
        break;
    default:
        word = (value & 1) != 0 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int32_t>::min();
        break;
    }
    offset = std::min(offset & ~std::size_t{3}, kSharedStatusSize - sizeof word);
    std::memcpy(bytes + offset, &word, sizeof word);
}

}  // namespace

// fontconfig loses a few hundred bytes while parsing its configuration when the fonts are
// first made; that is not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Built once: the fonts, the header image and the fixed screen cost far more than a run.
    static Harness harness;
    harness.Reset();
    auto* bytes = reinterpret_cast<unsigned char*>(harness.record.get());
    const std::size_t used = std::min(size, kSharedStatusSize);
    if (used > 0) std::memcpy(bytes, data, used);
    std::memset(bytes + used, 0, kSharedStatusSize - used);

    std::array<unsigned char, kEditCount * kEditSize> script{};
    std::memcpy(script.data(), bytes, script.size());

    for (int tick = 0; tick < kTicks; ++tick) {
        if (tick > 0) {
            for (std::size_t e = 0; e < kEditsPerPause; ++e) {
                ApplyEdit(harness, script.data() + ((tick - 1) * kEditsPerPause + e) * kEditSize);
            }
        }
        std::memcpy(harness.before.data(), bytes, kSharedStatusSize);
        const std::vector<std::uint32_t> above = AboveGraph(harness.display);
        // One tick of the sole reader: Update's two steps, so that what was drawn is known.
        const ItemSet drawn = harness.display.Draw(*harness.record, TakeRaisedFlags(*harness.record));
        CheckWriteDiscipline(harness.before.data(), bytes);
        if (OnlyTheGraphDrew(drawn) && AboveGraph(harness.display) != above) {
            Fail("the graph drew outside its panel", 0, 0);
        }
    }
    return 0;
}
