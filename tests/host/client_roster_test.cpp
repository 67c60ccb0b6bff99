// The many-clients reader against real records made through the client library: clients
// joining and ending, each one served as a single reader serves it, labels, the stale mark with
// time driven through the ticks, and the rotation's turns. The records made here take the
// family's places 20 to 39 and the roster looks at those only, so that records of other tests
// running meanwhile are neither found nor written to.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/library_client.h"
#include "reader/client_roster.h"
#include "record/record_family.h"
#include "record/record_items.h"

namespace {

constexpr int kFirstPlace = 20;
constexpr int kLastPlace = 39;

std::vector<std::string> OurRecords() {
    std::vector<std::string> ours;
    for (std::string& name : FindFamilyRecords()) {
        const int index = FamilyRecordIndex(name);
        if (index >= kFirstPlace && index <= kLastPlace) ours.push_back(std::move(name));
    }
    return ours;
}

RosterConfig Config(std::int32_t staleMinutes = kDefaultStaleMinutes, bool passive = false) {
    RosterConfig config;
    config.reader.headerImage = "no-such-header.bmp";
    config.reader.passive = passive;
    config.reader.priorityClass = 0x20;
    config.staleMinutes = staleMinutes;
    config.findRecords = OurRecords;
    return config;
}

// A client at the family's place `index`, with its status texts written (flags raised).
struct Client : LibraryClient {
    explicit Client(int index) : LibraryClient(FamilyRecordName(index)) {
        EXPECT_EQ(status, ORVANE_OK) << message;
        if (handle != nullptr) Say("Starting");
    }
    void Say(const char* text) { EXPECT_EQ(orvane_set_status_a(handle, text), ORVANE_OK); }
};

int RaisedFlags(const SharedStatus& record) {
    int raised = 0;
    for (int i = 0; i < kRecordFlagCount; ++i) raised += ReadFlag(FlagAt(record, FlagOffsetByIndex(i))) != 0;
    return raised;
}

std::vector<std::string> Names(const ClientRoster& roster) {
    std::vector<std::string> names;
    for (const RosterClient& client : roster.Clients()) names.push_back(client.name);
    return names;
}

}  // namespace

TEST(ClientRoster, ClientsJoinWithinTwoLooksAreEachServedTitledAndLeaveWhenTheirRecordGoes) {
    Client first(21);
    ASSERT_EQ(orvane_set_label(first.handle, "core 3: band 2"), ORVANE_OK);
    auto second = std::make_unique<Client>(23);
    ClientRoster roster(Config(2));
    EXPECT_TRUE(roster.Tick(0).members);
    ASSERT_EQ(Names(roster), (std::vector<std::string>{"orvane_share_21", "orvane_share_23"}));
    // The label when the client set one, the name otherwise.
    EXPECT_EQ(roster.Find(first.name)->Title(), "core 3: band 2");
    EXPECT_EQ(roster.Find(second->name)->Title(), second->name);
    for (Client* client : {&first, second.get()}) {
        EXPECT_EQ(RaisedFlags(client->Record()), 0) << client->name << ": flags still raised after the tick";
        EXPECT_EQ(ReadFlag(client->Record().saver_attached), 1) << client->name;
        EXPECT_EQ(client->Record().saver_priority_class, 0x20) << client->name;
    }
    for (const RosterClient& client : roster.Clients()) {
        ASSERT_TRUE(client.HasScreen());
        EXPECT_EQ(client.session->Record()->status_text_a, std::string("Starting"));
    }

    // A client that starts between two looks is in at the second look at the latest, and in
    // the family's order.
    Client third(22);
    roster.Tick(400);
    std::uint32_t now = 400;
    while (roster.Find(third.name) == nullptr && now < 2 * kFamilyLookMs) roster.Tick(now += 100);
    ASSERT_NE(roster.Find(third.name), nullptr) << "not joined within two looks";
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"orvane_share_21", "orvane_share_22", "orvane_share_23"}));
    EXPECT_EQ(RaisedFlags(third.Record()), 0);
    EXPECT_EQ(ReadFlag(third.Record().saver_attached), 1);

    // Every live client is served every tick, not only the one a front end shows.
    first.Say("Computing Gaussians");
    third.Say("Searching for pulses");
    ASSERT_EQ(orvane_set_label(first.handle, "core 3: band 4"), ORVANE_OK);
    const RosterTick served = roster.Tick(now += 33);
    EXPECT_TRUE(served.drew);
    EXPECT_FALSE(served.members);
    EXPECT_EQ(RaisedFlags(first.Record()), 0);
    EXPECT_EQ(RaisedFlags(third.Record()), 0);
    EXPECT_TRUE(roster.Find(first.name)->drewThisTick);
    EXPECT_FALSE(roster.Find(second->name)->drewThisTick);
    EXPECT_EQ(roster.Find(first.name)->lastChangeMs, now);
    EXPECT_EQ(roster.Find(third.name)->session->Record()->status_text_a, std::string("Searching for pulses"));
    EXPECT_EQ(roster.Find(first.name)->Title(), "core 3: band 4") << "a new label is seen at the next tick";

    // The second client ends and removes its record: ended at the next look, out of the
    // rotation at once, and dropped once the stale period is over.
    const std::string gone = second->name;
    second.reset();
    now += kFamilyLookMs;
    EXPECT_TRUE(roster.Tick(now).members);
    ASSERT_NE(roster.Find(gone), nullptr);
    EXPECT_TRUE(roster.Find(gone)->ended);
    EXPECT_FALSE(roster.Find(gone)->stale);
    EXPECT_EQ(roster.ShownNames(), (std::vector<std::string>{"orvane_share_21", "orvane_share_22"}));
    const std::uint32_t endedAt = now;
    now = endedAt + 2 * 60000 - kFamilyLookMs;
    roster.Tick(now);
    EXPECT_NE(roster.Find(gone), nullptr) << "dropped before the stale period was over";
    roster.Tick(now += kFamilyLookMs);
    EXPECT_EQ(roster.Find(gone), nullptr);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"orvane_share_21", "orvane_share_22"}));

    // Leaving, the roster gives the records back as a last reader does.
    roster.DetachAll();
    EXPECT_EQ(ReadFlag(first.Record().saver_attached), 0);
    EXPECT_EQ(ReadFlag(third.Record().saver_attached), 0);
}

TEST(ClientRoster, AClientBackUnderItsNameIsANewClientAndAPassiveRosterWritesNothing) {
    auto client = std::make_unique<Client>(25);
    ClientRoster viewer(Config());
    ClientRoster passive(Config(kDefaultStaleMinutes, true));
    viewer.Tick(0);
    passive.Tick(0);
    ASSERT_NE(passive.Find(client->name), nullptr);
    EXPECT_EQ(passive.Find(client->name)->session->Role(), ReaderRole::Follower);

    client.reset();
    viewer.Tick(kFamilyLookMs);
    passive.Tick(kFamilyLookMs);
    ASSERT_TRUE(viewer.Find(FamilyRecordName(25))->ended);
    ASSERT_TRUE(passive.Find(FamilyRecordName(25))->ended);
    viewer.DetachAll();

    // The client restarts: a fresh entry, served again; the passive roster alone lowers nothing
    // and leaves the marker as it found it.
    Client back(25);
    passive.Tick(2 * kFamilyLookMs);
    const RosterClient* watched = passive.Find(back.name);
    ASSERT_NE(watched, nullptr);
    EXPECT_FALSE(watched->ended);
    EXPECT_EQ(watched->joinedMs, 2 * kFamilyLookMs);
    EXPECT_GT(RaisedFlags(back.Record()), 0) << "a passive reader lowered the flags";
    EXPECT_EQ(ReadFlag(back.Record().saver_attached), 0);
    EXPECT_EQ(watched->session->Record()->status_text_a, std::string("Starting"));
    viewer.Tick(2 * kFamilyLookMs);
    EXPECT_FALSE(viewer.Find(back.name)->ended);
    EXPECT_EQ(ReadFlag(back.Record().saver_attached), 1);
    EXPECT_EQ(RaisedFlags(back.Record()), 0);
}

TEST(ClientRoster, AClientIsStaleAfterTheGivenMinutesWithoutAChangeAndFreshAgainWhenItChanges) {
    Client quiet(27);
    Client busy(28);
    ClientRoster roster(Config(3));
    std::uint32_t now = 0;
    roster.Tick(now);
    // Time passes in whole looks; the busy client changes something every minute.
    while (now < 3 * 60000 - kFamilyLookMs) {
        now += kFamilyLookMs;
        if (now % 60000 == 0) busy.Say(now % 120000 == 0 ? "Even minute" : "Odd minute");
        roster.Tick(now);
    }
    EXPECT_FALSE(roster.Find(quiet.name)->stale) << "stale a look before its minutes were up";
    roster.Tick(now += kFamilyLookMs);
    EXPECT_TRUE(roster.Find(quiet.name)->stale);
    EXPECT_FALSE(roster.Find(busy.name)->stale);
    EXPECT_EQ(roster.Find(quiet.name)->lastChangeMs, 0u);

    quiet.Say("Back at work");
    roster.Tick(now += 33);
    EXPECT_FALSE(roster.Find(quiet.name)->stale);
    EXPECT_EQ(roster.Find(quiet.name)->lastChangeMs, now);
    // The minutes of the setting are kept within their bounds.
    ClientRoster tooQuick(Config(0));
    tooQuick.Tick(0);
    tooQuick.Tick(59000);
    EXPECT_FALSE(tooQuick.Find(quiet.name)->stale);
    tooQuick.Tick(60000);
    EXPECT_TRUE(tooQuick.Find(quiet.name)->stale);
}

TEST(ClientRotation, EachMonitorStartsAtItsOwnClientAndTakesTurnsInOrder) {
    const std::vector<std::string> three{"orvane_share", "orvane_share_20", "orvane_share_30"};
    std::vector<RotationTurn> turns(4);
    std::vector<int> shown;
    for (std::size_t monitor = 0; monitor < turns.size(); ++monitor)
        shown.push_back(NextRotation(turns[monitor], three, monitor, 5000, 100));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0}));

    // Within the turn nothing moves; at its end every monitor moves one on, wrapping. A late tick
    // keeps the rhythm (the turn after 10140 still ends at 15100); one a whole turn late moves one
    // client on, not several, and starts the rhythm again.
    const std::pair<std::uint32_t, int> steps[] = {{5099, 2},  {5100, 0},  {10099, 0}, {10140, 1},
                                                   {15100, 2}, {40000, 0}, {44999, 0}, {45000, 1}};
    for (const auto& [now, expected] : steps) EXPECT_EQ(NextRotation(turns[2], three, 2, 5000, now), expected) << now;
}

TEST(ClientRotation, ClientsLeavingOrJoiningMoveTheTurnOnWithoutSkippingAnyone) {
    const std::vector<std::string> four{"orvane_share_20", "orvane_share_21", "orvane_share_22", "orvane_share_25"};
    RotationTurn turn;
    EXPECT_EQ(NextRotation(turn, four, 1, 5000, 0), 1);

    // The client shown leaves mid-turn: the one after it takes a whole turn from now.
    const std::vector<std::string> without21{"orvane_share_20", "orvane_share_22", "orvane_share_25"};
    EXPECT_EQ(NextRotation(turn, without21, 1, 5000, 2000), 1);
    EXPECT_EQ(turn.name, "orvane_share_22");
    EXPECT_EQ(NextRotation(turn, without21, 1, 5000, 6999), 1);
    EXPECT_EQ(NextRotation(turn, without21, 1, 5000, 7000), 2);

    // The last one shown leaves: the turn wraps to the first.
    const std::vector<std::string> without25{"orvane_share_20", "orvane_share_22"};
    EXPECT_EQ(NextRotation(turn, without25, 1, 5000, 8000), 0);
    EXPECT_EQ(turn.name, "orvane_share_20");

    // A client joining before the one shown changes its index, not the client shown, and is
    // shown in its order.
    const std::vector<std::string> joined{"orvane_share", "orvane_share_20", "orvane_share_22"};
    EXPECT_EQ(NextRotation(turn, joined, 1, 5000, 9000), 1);
    EXPECT_EQ(NextRotation(turn, joined, 1, 5000, 13000), 2);
    EXPECT_EQ(NextRotation(turn, joined, 1, 5000, 18000), 0);

    // Nobody left: nothing to show, and the next client to come starts a fresh rotation.
    EXPECT_EQ(NextRotation(turn, {}, 1, 5000, 19000), -1);
    EXPECT_EQ(NextRotation(turn, four, 1, 5000, 20000), 1);
}
