// Several readers of one record, on real POSIX shared memory: what each of them shows, the
// marker they keep between them, a reader killed outright, a passive reader, and records that
// shrink or are replaced under a running reader. The client is the test itself, writing as a
// client does (fields first, flag last) between the readers' ticks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "record/record_builder.h"
#include "common/library_client.h"
#include "common/test_canvas.h"
#include "reader/reader_session.h"

namespace {

constexpr Rect kWholeCanvas{0, 0, kCanvasWidth, kCanvasHeight};

std::string UniqueName(const char* what) {
    static int count = 0;
    return std::string("orvane_test_") + what + "_" + std::to_string(getpid()) + "_" + std::to_string(++count);
}

// The client's record under a name of the test's own, and the readers' board beside it.
struct Client : LibraryClient {
    explicit Client(const char* what) : LibraryClient(UniqueName(what)) { EXPECT_EQ(status, ORVANE_OK) << message; }
    // Copies the built record's client fields in: the fields first, then every flag it raised.
    void Publish(RecordBuilder& builder) {
        SharedStatus& built = builder.Record();
        const std::int32_t attached = Record().saver_attached;
        const std::int32_t priority = Record().saver_priority_class;
        const std::int32_t width = Record().graph_area_width;
        const std::int32_t height = Record().graph_area_height;
        std::vector<std::int32_t> flags;
        for (int i = 0; i < kRecordFlagCount; ++i) flags.push_back(FlagAt(built, FlagOffsetByIndex(i)));
        for (int i = 0; i < kRecordFlagCount; ++i) FlagAt(built, FlagOffsetByIndex(i)) = 0;
        // Flags raised here and not drawn yet stay raised.
        for (int i = 0; i < kRecordFlagCount; ++i) flags[i] |= ReadFlag(FlagAt(Record(), FlagOffsetByIndex(i)));
        std::memcpy(&Record(), &built, sizeof(SharedStatus));
        Record().saver_attached = attached;
        Record().saver_priority_class = priority;
        Record().graph_area_width = width;
        Record().graph_area_height = height;
        for (int i = 0; i < kRecordFlagCount; ++i) WriteFlag(FlagAt(Record(), FlagOffsetByIndex(i)), flags[i]);
    }
};

ReaderConfig Config(const std::string& name, bool passive = false) {
    ReaderConfig config;
    config.recordName = name;
    config.headerImage = "no-such-header.bmp";
    config.passive = passive;
    config.priorityClass = 0x20;
    return config;
}

// Three updates of a working client, each a tick's worth: text items, then rows, then the
// frame with a row, so that a reader that merged them would show rows 5 and 6 where the frame
// has cleared them. Update k holds what the client has written so far, with the flags of
// what it wrote last raised.
void Step(RecordBuilder& builder, int k) {
    if (k == 0) {
        builder.UserInfo("Ilsa Marrow", 12, 3600.0)
            .StatusTextA("Searching for spikes")
            .Progress(0.25f)
            .CurrentPeak(PeakSummary{1.0f, 0.5f, 3, 2, 0.1f, 64})
            .GraphGeometry(40, 60, false, 80, 8, 256)
            .FrameChanged();
    } else if (k == 1) {
        builder.RowFill(5, 70).RowFill(6, 30).StatusTextB("Computing Gaussians");
    } else {
        builder.FrameChanged().RowFill(7, 50);
    }
}

RecordBuilder ClientUpdate(int k) {
    RecordBuilder builder;
    for (int i = 0; i < k; ++i) Step(builder, i);
    for (int i = 0; i < kRecordFlagCount; ++i) FlagAt(builder.Record(), FlagOffsetByIndex(i)) = 0;
    Step(builder, k);
    return builder;
}
constexpr int kClientUpdates = 3;

// What a sole reader shows after the same updates, one tick each.
std::unique_ptr<StatusDisplay> SoleReaderAfterTheUpdates(std::unique_ptr<SharedStatus>& record) {
    record = MakeZeroRecord();
    auto display = std::make_unique<StatusDisplay>(*record, "no-such-header.bmp");
    for (int k = 0; k < kClientUpdates; ++k) {
        RecordBuilder update = ClientUpdate(k);
        std::memcpy(record.get(), &update.Record(), sizeof(SharedStatus));
        display->Update();
    }
    return display;
}

std::vector<std::uint32_t> Pixels(const Canvas& canvas, const Rect& rect) {
    std::vector<std::uint32_t> pixels;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x) pixels.push_back(PackedRgb(canvas.PixelAt(x, y)));
    return pixels;
}

testing::AssertionResult SameScreen(const Canvas& a, const Canvas& b) {
    if (SamePixels(a, b, kWholeCanvas)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the two status screens differ";
}

}  // namespace

TEST(ReaderSession, EveryReaderShowsEveryUpdateAndTheClientSeesItsFlagsLowered) {
    Client client("several");
    ReaderSession first(Config(client.name));
    ReaderSession second(Config(client.name));
    ReaderSession watcher(Config(client.name, true));
    std::uint32_t now = 0;
    first.Tick(now);  // attaches, and owns from its first serving tick
    second.Tick(now);
    watcher.Tick(now);
    ASSERT_TRUE(first.Attached() && second.Attached() && watcher.Attached());

    for (int k = 0; k < kClientUpdates; ++k) {
        RecordBuilder update = ClientUpdate(k);
        client.Publish(update);
        now += 33;
        first.Tick(now);
        // The followers tick only once for all three updates at the end: they replay the
        // owner's ticks in order rather than merging them.
    }
    for (int i = 0; i < kRecordFlagCount; ++i)
        EXPECT_EQ(ReadFlag(FlagAt(client.Record(), FlagOffsetByIndex(i))), 0) << "flag " << i << " is still raised";
    second.Tick(now);
    watcher.Tick(now);
    EXPECT_EQ(first.Role(), ReaderRole::Owner);
    EXPECT_EQ(second.Role(), ReaderRole::Follower);
    EXPECT_EQ(watcher.Role(), ReaderRole::Follower);

    std::unique_ptr<SharedStatus> soleRecord;
    const auto sole = SoleReaderAfterTheUpdates(soleRecord);
    EXPECT_TRUE(SameScreen(*first.Display()->canvas, *sole->canvas));
    EXPECT_TRUE(SameScreen(*second.Display()->canvas, *sole->canvas));
    EXPECT_TRUE(SameScreen(*watcher.Display()->canvas, *sole->canvas));
}

TEST(ReaderSession, TheMarkerStaysRaisedUntilTheLastReaderLeavesAndAPassiveOneNeverWrites) {
    Client client("marker");
    auto first = std::make_unique<ReaderSession>(Config(client.name));
    auto second = std::make_unique<ReaderSession>(Config(client.name));
    ASSERT_TRUE(first->Attach());
    ASSERT_TRUE(second->Attach());
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1);
    EXPECT_EQ(ReadFlag(client.Record().graph_area_width), 642);

    // A passive reader beside them: the record is byte for byte what it was, whatever it draws.
    RecordBuilder update;
    update.StatusTextA("Quiet").GraphGeometry(10, 10, true, 20, 2, 30).FrameChanged().RowFill(1, 9);
    client.Publish(update);
    std::vector<unsigned char> before(kSharedStatusSize);
    std::memcpy(before.data(), &client.Record(), kSharedStatusSize);
    {
        ReaderSession watcher(Config(client.name, true));
        watcher.Tick(0);
        watcher.Tick(33);
        EXPECT_EQ(watcher.Role(), ReaderRole::Alone);
        EXPECT_FALSE(watcher.Mapping().writable);
    }
    EXPECT_EQ(std::memcmp(before.data(), &client.Record(), kSharedStatusSize), 0);

    first.reset();
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1) << "the first reader to leave wrote 0 under the other";
    second.reset();
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 0);
}

TEST(ReaderSession, AReaderKilledOutrightLeavesTheOthersServedAndTheMarkerRaised) {
    Client client("killed");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t owner = fork();
    ASSERT_GE(owner, 0);
    if (owner == 0) {
        // The owner, in a process of its own, until it is killed.
        ReaderSession session(Config(client.name));
        session.Tick(0);
        session.Tick(33);
        const char byte = 1;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        for (std::uint32_t now = 66;; now += 33) {
            session.Tick(now);
            usleep(2000);
        }
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);

    ReaderSession survivor(Config(client.name));
    survivor.Tick(0);
    EXPECT_EQ(survivor.Role(), ReaderRole::Follower);
    kill(owner, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(owner, &status, 0), owner);
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1);

    // The survivor takes over and serves the handshake itself.
    RecordBuilder update;
    update.StatusTextA("After the owner").Progress(0.5f);
    client.Publish(update);
    survivor.Tick(33);
    EXPECT_EQ(survivor.Role(), ReaderRole::Owner);
    EXPECT_EQ(ReadFlag(client.Record().status_text_a_changed), 0);
    EXPECT_EQ(ReadFlag(client.Record().progress_changed), 0);
    // A third reader joins and shows what the survivor shows.
    ReaderSession third(Config(client.name));
    third.Tick(66);
    EXPECT_EQ(third.Role(), ReaderRole::Follower);
    EXPECT_TRUE(SameScreen(*third.Display()->canvas, *survivor.Display()->canvas));
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1);
}

TEST(ReaderSession, ARecordThatShrinksIsLeftAndAttachedAgainWithItsTextsKept) {
    Client client("shrinks");
    ReaderSession reader(Config(client.name));
    RecordBuilder update;
    update.StatusTextA("Drawn before the cut");
    client.Publish(update);
    reader.Tick(0);
    const Rect line = reader.Display()->analysisPanel->LineRect(1);
    const std::vector<std::uint32_t> drawn = Pixels(*reader.Display()->canvas, line);

    // The client cuts its object while the reader has it mapped.
    const int fd = shm_open(("/" + client.name).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 4096), 0);
    reader.Tick(66);
    EXPECT_FALSE(reader.Attached());
    reader.Tick(1500);
    EXPECT_FALSE(reader.Attached()) << "attached to a record too short to hold the format";

    ASSERT_EQ(ftruncate(fd, kSharedStatusSize), 0);
    close(fd);
    reader.Tick(3000);
    ASSERT_TRUE(reader.Attached());
    EXPECT_EQ(ReadFlag(reader.Record()->saver_attached), 1);
    EXPECT_EQ(ReadFlag(reader.Record()->graph_area_height), 185);
    EXPECT_EQ(Pixels(*reader.Display()->canvas, line), drawn) << "the text drawn before the cut is gone";
}

TEST(ReaderSession, ReadingPastACutRecordReadsZerosAndMarksItLost) {
    Client client("cut");
    SetRecordText(client.Record().status_text_a, "Soon gone");
    SharedMapping reader;
    ASSERT_TRUE(OpenSharedStatus(reader, client.name.c_str()));
    const int fd = shm_open(("/" + client.name).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 0), 0);
    close(fd);
    // Without the guard this read ends the process with SIGBUS.
    EXPECT_EQ(reader.record->status_text_a[0], '\0');
    EXPECT_EQ(ReadFlag(reader.record->saver_attached), 0);
    EXPECT_EQ(CheckSharedStatus(reader, client.name.c_str(), false), RecordState::Lost);
    CloseSharedStatus(reader);
}

TEST(ReaderSession, ARecordRemovedAndNotReplacedIsLeftByAPassiveReaderAloneWithinASecond) {
    Client client("removed");
    ReaderSession passive(Config(client.name, true));
    ReaderSession viewer(Config(client.name));
    passive.Tick(0);
    viewer.Tick(0);
    ASSERT_TRUE(passive.Attached());
    ASSERT_TRUE(viewer.Attached());

    // A client that stopped and unlinked its record, with no new one under the name.
    RemoveSharedStatus(client.name.c_str());
    passive.Tick(500);
    viewer.Tick(500);
    EXPECT_TRUE(passive.Attached()) << "looked up the name before a second had passed";
    passive.Tick(1000);
    viewer.Tick(1000);
    EXPECT_FALSE(passive.Attached()) << "a passive reader still reports a record nobody can open";
    EXPECT_TRUE(viewer.Attached()) << "the viewer stopped showing what the stopped client left";
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1) << "the viewer's marker went with the passive reader";

    // The client back: the passive reader takes the new record at its next try.
    LibraryClient fresh(client.name, 0, false);
    ASSERT_EQ(fresh.status, ORVANE_OK) << fresh.message;
    passive.Tick(2000);
    ASSERT_TRUE(passive.Attached());
    SharedMapping named;
    ASSERT_TRUE(OpenSharedStatusReadOnly(named, client.name.c_str()));
    EXPECT_EQ(passive.Mapping().identity, named.identity);
    CloseSharedStatus(named);
}

TEST(ReaderSession, ARecordReplacedUnderItsNameIsTakenWithinASecond) {
    Client client("replaced");
    ReaderSession reader(Config(client.name));
    reader.Tick(0);
    ASSERT_TRUE(reader.Attached());
    const std::uint64_t oldIdentity = reader.Mapping().identity;

    // A restarted client: the old object unlinked, a new one made under the name.
    SharedStatus& old = client.Record();
    RemoveSharedStatus(client.name.c_str());
    LibraryClient fresh(client.name, 0, false);
    ASSERT_EQ(fresh.status, ORVANE_OK) << fresh.message;
    SetRecordText(fresh.Record().status_text_a, "The new client");
    RaiseFlag(fresh.Record().status_text_a_changed);

    reader.Tick(500);
    EXPECT_EQ(reader.Mapping().identity, oldIdentity) << "looked up the name before a second had passed";
    reader.Tick(1000);
    ASSERT_TRUE(reader.Attached());
    EXPECT_NE(reader.Mapping().identity, oldIdentity);
    EXPECT_EQ(ReadFlag(old.saver_attached), 0) << "the old record still says a reader is attached";
    EXPECT_EQ(ReadFlag(fresh.Record().saver_attached), 1);
    EXPECT_EQ(ReadFlag(fresh.Record().saver_priority_class), 0x20);
    EXPECT_EQ(ReadFlag(fresh.Record().graph_area_width), 642);
    reader.Tick(1033);
    EXPECT_EQ(ReadFlag(fresh.Record().status_text_a_changed), 0);
}
