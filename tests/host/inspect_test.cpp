// orvane-inspect on crafted records: each client mistake it lints is found alone, a clean
// record passes, reading the live record leaves it as it was, and --all lists every live record
// of the family in columns that stay aligned, telling a client's changes from a reader's writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <set>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "inspect_run.h"
#include "record/inspect.h"
#include "common/every_item.h"
#include "common/library_client.h"
#include "record/record_builder.h"
#include "record/record_extension.h"
#include "record/record_items.h"
#include "record/shared_mapping.h"
#include "record_table.h"

namespace {

// A record a careful client would leave: every item, a fitting graph, samples inside the box.
RecordBuilder CleanRecord() {
    RecordBuilder b = EveryItem({.user = "Elio Marsk",
                                 .recordedJd = 2451545.0,
                                 .bandwidthHz = 9765.625,
                                 .binWrapDivisor = 1,
                                 .fftLength = 4096,
                                 .statusTextB = "Checkpointing"});
    b.GraphGeometry(64, 101, false, 61, 40, 512)
        .FrameChanged()
        .RowFill(0, 61)
        .RowFill(39, 30);
    b.Record().graph_area_width = 642;
    b.Record().graph_area_height = 185;
    return b;
}

std::vector<std::string> Lint(const SharedStatus& record, std::size_t size = sizeof(SharedStatus)) {
    return LintRecord(reinterpret_cast<const unsigned char*>(&record), size);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
}

TEST(InspectLint, PassesACleanRecordAndAZeroOne) {
    RecordBuilder clean = CleanRecord();
    EXPECT_EQ(Joined(Lint(clean.Record())), "");
    EXPECT_EQ(Joined(Lint(*MakeZeroRecord())), "");
}

TEST(InspectLint, FindsEachMistakeAlone) {
    struct Case {
        const char* expected;
        std::function<void(SharedStatus&)> spoil;
    };
    const Case cases[] = {
        {"unterminated text: status_text_a", [](SharedStatus& r) { std::memset(r.status_text_a, 'x', 80); }},
        {"unterminated text: user_name", [](SharedStatus& r) { std::memset(r.user_info.user_name, 'x', 268); }},
        {"unterminated text: message_line2", [](SharedStatus& r) { std::memset(r.message.message_line2, 'x', 128); }},
        {"progress_fraction is 1.5", [](SharedStatus& r) { r.progress_fraction = 1.5f; }},
        {"step_fraction is nan", [](SharedStatus& r) { r.step_fraction = std::nanf(""); }},
        {"cpu_seconds is -1", [](SharedStatus& r) { r.cpu_seconds = -1; }},
        {"fft_length is 0", [](SharedStatus& r) { r.fft_length = 0; }},
        {"bandwidth_hz is 0", [](SharedStatus& r) { r.data_info.bandwidth_hz = 0; }},
        {"bin_wrap_divisor is 0", [](SharedStatus& r) { r.data_info.bin_wrap_divisor = 0; }},
        {"ra_hours is 25", [](SharedStatus& r) { r.data_info.ra_hours = 25.0f; }},
        {"recorded_jd 1e+300", [](SharedStatus& r) { r.data_info.recorded_jd = 1e300; }},
        {"best_peak.freq_bin 8 is outside its transform of 8", [](SharedStatus& r) { r.best_peak.freq_bin = 8; }},
        {"best_gaussian.fft_length is -8", [](SharedStatus& r) { r.best_gaussian.fft_length = -8; }},
        {"graph_row_count is 204", [](SharedStatus& r) { r.graph_row_count = 204; }},
        {"graph_bin_count is 601", [](SharedStatus& r) { r.graph_bin_count = 601; r.graph_depth_x = 1; r.graph_area_width = 700; }},
        {"graph_depth_y is 0", [](SharedStatus& r) { r.graph_depth_y = 0; }},
        {"row 39 has 512 samples above 61 (highest 62)", [](SharedStatus& r) { std::memset(r.spectrum_rows[39].values, 62, 600); }},
        {"does not fit the offered area 642 x 185: bins + |depth_x| + 10 = 643",
         [](SharedStatus& r) { r.graph_depth_x = -121; }},
        {"does not fit the offered area 500 x 185", [](SharedStatus& r) { r.graph_area_width = 500; }},
        {"peak height + |depth_y| = 186", [](SharedStatus& r) { r.graph_depth_y = 125; }},
        {"odd flag value: best_peak_changed holds 2", [](SharedStatus& r) { r.best_peak_changed = 2; }},
        {"odd flag value: spectrum_rows[7].changed holds -1", [](SharedStatus& r) { r.spectrum_rows[7].changed = -1; }},
        {"odd flag value: message_on holds 5", [](SharedStatus& r) { r.message.message_on = 5; }},
    };
    for (const Case& c : cases) {
        RecordBuilder b = CleanRecord();
        c.spoil(b.Record());
        const std::vector<std::string> found = Lint(b.Record());
        ASSERT_EQ(found.size(), 1u) << c.expected << ":\n" << Joined(found);
        EXPECT_NE(found[0].find(c.expected), std::string::npos) << found[0];
    }
    RecordBuilder b = CleanRecord();
    const auto found = Lint(b.Record(), kSharedStatusSize - 4);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], "record too small: 126852 bytes, a record needs 126856");
}

TEST(InspectLint, ChecksTheLabelOnlyWhereTheExtensionIsMarked) {
    // A clean record in an object with room for the label, its extension written by `spoil`.
    auto lint = [](const std::function<void(RecordExtension&)>& spoil) {
        RecordBuilder clean = CleanRecord();
        std::vector<unsigned char> bytes(kExtendedRecordSize, 0);
        std::memcpy(bytes.data(), &clean.Record(), kSharedStatusSize);
        EXPECT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "core 3: band 2"));
        spoil(*reinterpret_cast<RecordExtension*>(bytes.data() + kRecordExtensionOffset));
        return LintRecord(bytes.data(), bytes.size());
    };
    EXPECT_EQ(Joined(lint([](RecordExtension&) {})), "");
    // Another program's bytes past the record, without the mark, are no label of ours.
    EXPECT_EQ(Joined(lint([](RecordExtension& e) { std::memset(&e, 0x07, sizeof e); })), "");

    const std::pair<const char*, std::function<void(RecordExtension&)>> cases[] = {
        {"unterminated text: label has no zero byte in its field", [](RecordExtension& e) { std::memset(e.label, 'k', 32); }},
        {"control byte in the label: 2 of them, the first 0x09 at byte 4",
         [](RecordExtension& e) { std::memcpy(e.label, "core\t3\x7f", 8); }},
        {"label_sequence is odd (3)", [](RecordExtension& e) { e.label_sequence = 3; }},
    };
    for (const auto& [expected, spoil] : cases) {
        const std::vector<std::string> found = lint(spoil);
        ASSERT_EQ(found.size(), 1u) << expected << ":\n" << Joined(found);
        EXPECT_NE(found[0].find(expected), std::string::npos) << found[0];
    }
    // Unterminated and full of control bytes: both, the control bytes counted over the field.
    const auto both = lint([](RecordExtension& e) { std::memset(e.label, '\n', 32); });
    ASSERT_EQ(both.size(), 2u) << Joined(both);
    EXPECT_NE(both[1].find("32 of them"), std::string::npos) << both[1];
}

// Each item is decoded under its own flag: one flag raised shows in that item's text line and
// JSON member alone, and an odd value in it is linted under the flag's field name.
TEST(InspectDecode, ShowsEachItemUnderItsOwnFlag) {
    std::set<std::string> raisedLines;
    for (const RecordItemInfo& item : kRecordItems) {
        SCOPED_TRACE(item.name);
        RecordBuilder b = CleanRecord();
        for (int i = 0; i < kRecordFlagCount; ++i) FlagAt(b.Record(), FlagOffsetByIndex(i)) = 0;
        ItemFlag(b.Record(), item.item) = 1;
        const auto* bytes = reinterpret_cast<const unsigned char*>(&b.Record());

        const std::string text = DescribeRecord(bytes, sizeof(SharedStatus));
        const std::size_t flag = text.find(" raised:");
        ASSERT_NE(flag, std::string::npos) << text;
        EXPECT_EQ(text.find(" raised:", flag + 1), std::string::npos) << text;
        raisedLines.insert(text.substr(text.rfind('\n', flag) + 1, flag - text.rfind('\n', flag)));

        const std::string json = RecordJson(bytes, sizeof(SharedStatus), false);
        const std::string member = std::string("\"") + item.jsonName + "\":{\"";
        const std::size_t at = json.find(member);
        ASSERT_NE(at, std::string::npos) << json;
        const std::size_t raised = json.find("changed\":true");
        EXPECT_EQ(raised, json.find("\":true", at + member.size()) - std::strlen("changed")) << json;
        EXPECT_EQ(json.find("changed\":true", raised + 1), std::string::npos) << json;

        ItemFlag(b.Record(), item.item) = 2;
        const std::vector<std::string> found = Lint(b.Record());
        ASSERT_EQ(found.size(), 1u) << Joined(found);
        EXPECT_EQ(found[0], std::string("odd flag value: ") + item.flagName + " holds 2 (raise with 1)");
    }
    EXPECT_EQ(raisedLines.size(), static_cast<std::size_t>(kRecordItemCount)) << "a line of its own for each item";
}

TEST(InspectRun, PrintsADumpAndExitsByWhatLintFound) {
    char path[] = "/tmp/orvane_inspect_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    RecordBuilder b = CleanRecord();
    std::memset(b.Record().status_text_b, 0x07, 80);
    ASSERT_EQ(write(fd, &b.Record(), sizeof(SharedStatus)), static_cast<ssize_t>(sizeof(SharedStatus)));
    close(fd);

    InspectOptions options;
    std::string error;
    ASSERT_TRUE(ParseInspectOptions({"--record", path}, options, error)) << error;
    std::string out, err;
    EXPECT_EQ(RunInspect(options, out, err), 0);
    EXPECT_NE(out.find("user          raised: name \"Elio Marsk\", units 42"), std::string::npos) << out;
    EXPECT_NE(out.find("graph         frame raised: depth 64 x 101, mirrored 0, peak height 61, rows 40, bins 512"),
              std::string::npos) << out;
    // The bell bytes are shown escaped and the field's lack of an end is said.
    EXPECT_NE(out.find("\\x07\\x07\" (no terminator)"), std::string::npos) << out;

    options.lint = true;
    out.clear();
    EXPECT_EQ(RunInspect(options, out, err), 1);
    EXPECT_NE(out.find("lint: unterminated text: status_text_b"), std::string::npos) << out;
    EXPECT_NE(out.find("lint: 1 mistake\n"), std::string::npos) << out;
    unlink(path);

    options.recordPath = "/nonexistent/r.bin";
    EXPECT_EQ(RunInspect(options, out, err), 2);
    EXPECT_FALSE(ParseInspectOptions({"--watch", "--record", "x"}, options, error));
    EXPECT_FALSE(ParseInspectOptions({"--count", "0"}, options, error));
}

TEST(InspectRun, WatchesALiveRecordWithoutWritingIt) {
    const std::string name = "orvane_inspect_" + std::to_string(getpid());
    LibraryClient client(name);
    ASSERT_EQ(client.status, ORVANE_OK) << client.message;
    RecordBuilder b = CleanRecord();
    std::memcpy(&client.Record(), &b.Record(), sizeof(SharedStatus));
    std::vector<unsigned char> before(kSharedStatusSize);
    std::memcpy(before.data(), &client.Record(), kSharedStatusSize);

    InspectOptions options;
    std::string error;
    ASSERT_TRUE(ParseInspectOptions({"--name", name, "--watch", "--interval", "0.01", "--count", "3", "--lint"},
                                    options, error))
        << error;
    std::string out, err;
    testing::internal::CaptureStdout();
    const int status = RunInspect(options, out, err);
    const std::string printed = testing::internal::GetCapturedStdout() + out;
    EXPECT_EQ(status, 0) << err;
    // Three prints, each from the top of the terminal.
    std::size_t prints = 0;
    for (std::size_t at = printed.find("\x1b[H\x1b[J"); at != std::string::npos; at = printed.find("\x1b[H\x1b[J", at + 1)) ++prints;
    EXPECT_EQ(prints, 3u);
    EXPECT_EQ(std::memcmp(before.data(), &client.Record(), kSharedStatusSize), 0);
}

// The whole object of a client's record, the extension past the fixed bytes included; an
// object made without room for it is lengthened first, as a client that labels it would.
struct WholeObject {
    explicit WholeObject(const std::string& name) {
        const int fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
        if (fd >= 0 && ftruncate(fd, static_cast<off_t>(kExtendedRecordSize)) == 0) {
            void* view = mmap(nullptr, kExtendedRecordSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (view != MAP_FAILED) bytes = static_cast<unsigned char*>(view);
        }
        if (fd >= 0) close(fd);
    }
    ~WholeObject() {
        if (bytes != nullptr) munmap(bytes, kExtendedRecordSize);
    }
    WholeObject(const WholeObject&) = delete;
    WholeObject& operator=(const WholeObject&) = delete;
    std::vector<unsigned char> Copy() const { return {bytes, bytes + kExtendedRecordSize}; }
    unsigned char* bytes = nullptr;
};

TEST(InspectAll, ListsEachLiveRecordWithItsLabelInAlignedColumns) {
    LibraryClient plain("orvane_share_60"), full("orvane_share_61"), hostile("orvane_share_62");
    for (LibraryClient* client : {&plain, &full, &hostile}) ASSERT_EQ(client->status, ORVANE_OK) << client->message;
    WholeObject plainObject(plain.name), fullObject(full.name), hostileObject(hostile.name);
    ASSERT_TRUE(plainObject.bytes && fullObject.bytes && hostileObject.bytes);

    // Windows-1252 letters beyond ASCII, in a short label and in one as long as a label may be.
    ASSERT_TRUE(WriteRecordLabel(plainObject.bytes, kExtendedRecordSize, "core 1 \x96 band 2"));
    ASSERT_EQ(orvane_set_progress(plain.handle, 0.375f), ORVANE_OK);
    ASSERT_TRUE(WriteRecordLabel(fullObject.bytes, kExtendedRecordSize, "Vela S\xFC" "d \x96 core 9 of 64: band 2"));
    full.Record().saver_attached = 1;
    // What the library refuses, written past it: a tab and an escape that would steer the
    // terminal, and a progress that is no number.
    auto* extension = reinterpret_cast<RecordExtension*>(hostileObject.bytes + kRecordExtensionOffset);
    std::memcpy(extension->mark, kRecordExtensionMark, sizeof extension->mark);
    std::memcpy(extension->label, "band\t7\x1b[2J", 11);
    hostile.Record().progress_fraction = std::nanf("");
    const std::vector<unsigned char> before[] = {plainObject.Copy(), fullObject.Copy(), hostileObject.Copy()};

    InspectOptions options;
    std::string error, out, err;
    ASSERT_TRUE(ParseInspectOptions({"--all"}, options, error)) << error;
    options.allWatchSeconds = 0.05;
    ASSERT_EQ(RunInspect(options, out, err), 0) << err;
    // Other records of the family may be live on this machine: ours are picked by name.
    std::string ours = out.substr(0, out.find('\n') + 1);
    for (const char* name : {"\norvane_share_60 ", "\norvane_share_61 ", "\norvane_share_62 "}) {
        const std::size_t at = out.find(name);
        ASSERT_NE(at, std::string::npos) << out;
        ours += out.substr(at + 1, out.find('\n', at + 1) - at);
    }
    EXPECT_EQ(ours,
              "NAME             LABEL                            PROGRESS  READERS   UNCHANGED\n"
              "orvane_share_60  core 1 – band 2                    37.5 %  none           0+ s\n"
              "orvane_share_61  Vela Süd – core 9 of 64: band 2     0.0 %  attached       0+ s\n"
              "orvane_share_62  band?7?[2J                              ?  none           0+ s\n");
    // Read, never written.
    EXPECT_EQ(plainObject.Copy(), before[0]);
    EXPECT_EQ(fullObject.Copy(), before[1]);
    EXPECT_EQ(hostileObject.Copy(), before[2]);

    EXPECT_FALSE(ParseInspectOptions({"--all", "--lint"}, options, error));
    EXPECT_FALSE(ParseInspectOptions({"--all", "--name", "orvane_share_60"}, options, error));
}

// How long a record has been left alone is what inspect saw between its looks; what readers
// write to the record (flags lowered, the area offered, the marker) is no change of the client's.
TEST(InspectAll, TellsAClientsChangesFromAReadersWrites) {
    const std::string name = "orvane_share_63";
    RecordBuilder b = CleanRecord();
    std::vector<unsigned char> look(kExtendedRecordSize, 0);
    std::memcpy(look.data(), &b.Record(), sizeof(SharedStatus));
    ChangeWatch watch;
    watch.Look(name, look, 10.0);
    EXPECT_EQ(watch.Unchanged(name, 10.0), "-") << "one look tells nothing";

    auto& served = *reinterpret_cast<SharedStatus*>(look.data());
    for (int i = 0; i < kRecordFlagCount; ++i) FlagAt(served, FlagOffsetByIndex(i)) = 0;
    served.graph_area_width = 600;
    served.graph_area_height = 150;
    served.saver_attached = 1;
    served.saver_priority_class = 0x40;
    watch.Look(name, look, 12.5);
    EXPECT_EQ(watch.Unchanged(name, 12.5), "2+ s");

    // The client's: a flag raised again over the same text, the bytes beside the readers' words,
    // the label.
    const std::function<void()> changes[] = {
        [&served] { RaiseItem(served, RecordItem::StatusTextA); },
        [&look] { look[offsetof(SharedStatus, saver_attached) - 1] ^= 1; },
        [&look] { look[offsetof(SharedStatus, graph_area_height) + 4] ^= 1; },
        [&look] { ASSERT_TRUE(WriteRecordLabel(look.data(), look.size(), "core 5")); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        const double now = 20.0 + 10.0 * static_cast<double>(i);
        changes[i]();
        watch.Look(name, look, now);
        watch.Look(name, look, now + 4);
        EXPECT_EQ(watch.Unchanged(name, now + 4.5), "4 s") << "change " << i;
    }
    // A record that went and came back under the name is looked at afresh.
    watch.KeepOnly({"orvane_share_64"});
    watch.Look(name, look, 90.0);
    EXPECT_EQ(watch.Unchanged(name, 90.0), "-");
}

}  // namespace
