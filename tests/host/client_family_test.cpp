// Several clients on one machine, on the family's real names: the library's choice of the first
// free one, the end of the family, and orvane-sim's many clients. These names are the machine's
// own, which a running client or another test may hold, so each case runs in a child process
// with a /dev/shm of its own (a mount namespace), where the family starts empty.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/library_client.h"
#include "orvane/client.h"
#include "record/record_extension.h"
#include "record/record_family.h"
#include "record/shared_mapping.h"
#include "sim_options.h"
#include "sim_run.h"
#include "simulator.h"

namespace {

constexpr int kSkipped = 77;

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

// A /dev/shm of this process's own: as root a mount namespace; otherwise a user namespace
// first, which lets an ordinary user mount it.
bool PrivateSharedMemory(std::string& why) {
    if (unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            why = std::string("no mount namespace: ") + std::strerror(errno);
            return false;
        }
        WriteFile("/proc/self/setgroups", "deny");
        if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            why = "cannot map this user into a user namespace";
            return false;
        }
    }
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/dev/shm", "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0) {
        why = std::string("cannot mount a private /dev/shm: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Runs `body` in a child with a private /dev/shm. Its failures are printed by the child as they
// happen and counted here; a machine without namespaces skips the test.
template <typename Body>
void InPrivateFamily(Body body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string why;
        if (!PrivateSharedMemory(why)) {
            std::printf("%s\n", why.c_str());
            std::fflush(stdout);
            _exit(kSkipped);
        }
        body();
        std::fflush(stdout);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    if (WEXITSTATUS(status) == kSkipped) GTEST_SKIP() << "no private /dev/shm here (see the line above)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's failures are printed above";
}

struct Opened {
    orvane_status status = ORVANE_ERR_SYSTEM;
    orvane_client* handle = nullptr;
    std::string name;
    std::string message;
};

Opened OpenNextFree(const char* from = nullptr, unsigned flags = 0) {
    Opened opened;
    char message[256] = {};
    opened.status = orvane_open(from, ORVANE_OPEN_NEXT_FREE | flags, &opened.handle, message, sizeof message);
    opened.message = message;
    if (opened.handle != nullptr) opened.name = orvane_record_name(opened.handle);
    return opened;
}

using Labelled = std::vector<std::pair<std::string, std::string>>;

// What a reader finds: each live record of the family with its label (and, when asked, its
// record's bytes).
Labelled LabelledRecords(std::vector<std::vector<unsigned char>>* records = nullptr) {
    Labelled found;
    for (const std::string& name : FindFamilyRecords()) {
        SharedMapping mapping;
        if (!OpenSharedStatusReadOnly(mapping, name.c_str())) continue;
        const auto* bytes = reinterpret_cast<const unsigned char*>(mapping.record);
        found.emplace_back(name, RecordLabel(bytes, mapping.size));
        if (records != nullptr) records->emplace_back(bytes, bytes + kSharedStatusSize);
        CloseSharedStatus(mapping);
    }
    return found;
}

// Stops a run at its `stopAt`-th wait, after looking at what readers find then.
class LookingClock : public SimClock {
public:
    explicit LookingClock(int stopAt) : stopAt_(stopAt) {}
    double Now() override { return now_; }
    bool WaitUntil(double deadline) override {
        now_ = deadline > now_ ? deadline : now_;
        if (++waits_ < stopAt_) return true;
        found = LabelledRecords(&records);
        return false;  // as Ctrl-C does
    }
    Labelled found;
    std::vector<std::vector<unsigned char>> records;

private:
    int stopAt_;
    int waits_ = 0;
    double now_ = 50.0;
};

}  // namespace

TEST(ClientFamily, NextFreeTakesTheFirstNameNoRunningClientHolds) {
    InPrivateFamily([] {
        Opened first = OpenNextFree();
        ASSERT_EQ(first.status, ORVANE_OK) << first.message;
        EXPECT_EQ(first.name, "orvane_share");
        Opened second = OpenNextFree();
        ASSERT_EQ(second.status, ORVANE_OK) << second.message;
        EXPECT_EQ(second.name, "orvane_share_2");
        // Each has a label of its own, as a reader finds them.
        ASSERT_EQ(orvane_set_label(first.handle, "core 1: band 4"), ORVANE_OK);
        ASSERT_EQ(orvane_set_label(second.handle, "core 2: band 5"), ORVANE_OK);
        EXPECT_EQ(LabelledRecords(), (Labelled{{"orvane_share", "core 1: band 4"}, {"orvane_share_2", "core 2: band 5"}}));

        // A place given up is the first free one again; a dead client's record left under a name
        // is free too (taken over), and an object too short to be a record is passed over.
        orvane_close(first.handle);
        std::vector<orvane_client*> held{second.handle};
        const auto take = [&held](const char* from = nullptr) {
            Opened opened = OpenNextFree(from);
            if (opened.handle != nullptr) held.push_back(opened.handle);
            return opened;
        };
        EXPECT_EQ(take().name, "orvane_share");
        Opened kept = OpenNextFree(nullptr, ORVANE_OPEN_KEEP_NAME);
        ASSERT_EQ(kept.name, "orvane_share_3");
        orvane_close(kept.handle);
        const int fd = shm_open("/orvane_share_4", O_RDWR | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 100), 0);
        close(fd);
        Opened third = take();
        EXPECT_EQ(third.name, "orvane_share_3");
        EXPECT_EQ(RecordLabel(static_cast<const unsigned char*>(orvane_raw_record(third.handle, nullptr)),
                              kExtendedRecordSize),
                  "");
        EXPECT_EQ(take().name, "orvane_share_5");

        // A name of the family is where the search starts; any other name is refused.
        EXPECT_EQ(take("orvane_share_9").name, "orvane_share_9");
        EXPECT_EQ(take("orvane_share_9").name, "orvane_share_10");
        EXPECT_EQ(take("orvane_share_64").name, "orvane_share_64");
        EXPECT_EQ(take("orvane_share_64").status, ORVANE_ERR_NAME_TAKEN);
        for (const char* stranger : {"orvane_test_family", "orvane_share_1", "orvane_share_65"}) {
            Opened refused = take(stranger);
            EXPECT_EQ(refused.status, ORVANE_ERR_ARGUMENT) << stranger;
            EXPECT_EQ(refused.handle, nullptr);
            EXPECT_NE(refused.message.find("family"), std::string::npos) << refused.message;
        }
        EXPECT_EQ(held.size(), 7u);
        for (orvane_client* c : held) orvane_close(c);
        // The object too short at place 4 is no record.
        EXPECT_TRUE(FindFamilyRecords().empty()) << "closing removes every name, the one taken over included";
    });
}

TEST(ClientFamily, SimRunsEachOfItsClientsOnANameOfItsOwnFromTheFirstGivenLabelledAndSeededApart) {
    InPrivateFamily([] {
        SimOptions options;
        std::string error;
        ASSERT_TRUE(ParseSimOptions({"--clients", "3", "--first", "orvane_share_2", "--seed", "40", "--scenario", "burst"}, options, error)) << error;
        constexpr int kRounds = 6;
        LookingClock clock(kRounds);
        EXPECT_EQ(PlayClientRecord(options, clock, nullptr), 0);

        EXPECT_EQ(clock.found, (Labelled{{"orvane_share_2", "sim 1"}, {"orvane_share_3", "sim 2"}, {"orvane_share_4", "sim 3"}}));
        // Client K plays what a lone simulation of seed 40 + K - 1 plays in as many updates.
        ASSERT_EQ(clock.records.size(), 3u);
        for (std::uint64_t k = 0; k < 3; ++k) {
            SimRecord alone;
            ASSERT_TRUE(alone.Open());
            SimConfig config;
            config.seed = 40 + k;
            config.scenario = Scenario::Burst;
            Simulator simulator(config);
            for (int i = 0; i < kRounds; ++i) simulator.Step(alone.Client());
            EXPECT_EQ(std::memcmp(clock.records[k].data(), &alone.Record(), kSharedStatusSize), 0) << "client " << k + 1;
        }
        EXPECT_TRUE(FindFamilyRecords().empty()) << "a stopped run removes every record it made";
    });
}

TEST(ClientFamily, SixtyFourClientsTakeEveryNameTheNextIsToldSoAndSimTakesNoneWhenTooFewAreLeft) {
    InPrivateFamily([] {
        std::vector<orvane_client*> clients;
        for (int place = 1; place <= kMaxClientRecords; ++place) {
            Opened opened = OpenNextFree();
            ASSERT_EQ(opened.status, ORVANE_OK) << "client " << place << ": " << opened.message;
            EXPECT_EQ(opened.name, FamilyRecordName(place));
            clients.push_back(opened.handle);
        }
        Opened extra = OpenNextFree();
        EXPECT_EQ(extra.status, ORVANE_ERR_NAME_TAKEN);
        EXPECT_EQ(extra.handle, nullptr);
        EXPECT_EQ(extra.message, "every name of the family from orvane_share to orvane_share_64 is in use");
        EXPECT_EQ(FindFamilyRecords().size(), static_cast<std::size_t>(kMaxClientRecords));

        // One ends: its place is the next client's.
        orvane_close(clients[29]);
        Opened late = OpenNextFree();
        EXPECT_EQ(late.name, "orvane_share_30");
        clients[29] = late.handle;

        // Two names free, orvane-sim asked for four: it runs none and gives back what it took.
        orvane_close(clients[62]);
        orvane_close(clients[63]);
        clients.resize(kMaxClientRecords - 2);
        SimOptions four;
        std::string error;
        ASSERT_TRUE(ParseSimOptions({"--clients", "4"}, four, error)) << error;
        LookingClock clock(1);
        EXPECT_EQ(PlayClientRecord(four, clock, nullptr), 1);
        EXPECT_EQ(FindFamilyRecords().size(), static_cast<std::size_t>(kMaxClientRecords - 2));
        for (orvane_client* c : clients) orvane_close(c);
        EXPECT_TRUE(FindFamilyRecords().empty());
    });
}

