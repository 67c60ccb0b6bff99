// A reader of every client of the machine: the family's records are looked for about once a
// second, each live record gets a ReaderSession of its own (served as a reader serves one
// record: flags lowered, marker written unless passive, cooperating with the record's other
// readers through its board), and every live session is ticked every tick whether it is shown
// or not, so that a client switched to shows its current state at once. Front ends that show
// one client ("orvane_share" alone) never make a roster: they keep their single session.
//
// A client whose record went is kept as "ended" (its last picture and record bytes stay
// mapped, no longer served) for the stale period, so that an overview can say so, and is then
// dropped; a client that comes back under the name replaces its ended entry at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reader/reader_session.h"
#include "record/record_extension.h"

// What a reader shows: "orvane_share" alone, each client in turn, or a card per client.
enum class ClientsMode { One, Rotate, Overview };

// "one", "rotate" or "overview" (exactly, lower case); false for anything else.
bool ParseClientsMode(std::string_view text, ClientsMode& mode);
const char* ClientsModeName(ClientsMode mode);

inline constexpr std::uint32_t kFamilyLookMs = 1000;
inline constexpr std::int32_t kDefaultRotateSeconds = 60;
inline constexpr std::int32_t kMinRotateSeconds = 5;
inline constexpr std::int32_t kMaxRotateSeconds = 3600;
inline constexpr std::int32_t kDefaultStaleMinutes = 10;
inline constexpr std::int32_t kMinStaleMinutes = 1;
inline constexpr std::int32_t kMaxStaleMinutes = 1440;

struct RosterClient {
    std::string name;   // the record's name in the family
    std::string label;  // the client's label; empty when it set none (or is an old client)
    std::unique_ptr<ReaderSession> session;
    std::uint32_t joinedMs = 0;
    // The last tick at which this client's screen changed (drew anything); the join counts.
    // A front end therefore neither places a roster's sessions nor forces them to present:
    // it keeps its own copies and its own reasons to send a picture again.
    std::uint32_t lastChangeMs = 0;
    bool drewThisTick = false;  // its canvas changed on the roster's last tick
    bool ended = false;         // the record went; kept for the stale period, no longer served
    std::uint32_t endedMs = 0;
    bool stale = false;         // live, and no change for the stale period
    LabelReader labels;         // keeps the label across the client's rewriting it

    // The label when there is one, else the record's name.
    const std::string& Title() const { return label.empty() ? name : label; }
    // Whether there is a picture of this client to show: attached once at least.
    bool HasScreen() const { return session != nullptr && session->Screen() != nullptr; }
};

struct RosterConfig {
    ReaderConfig reader;  // recordName is ignored: each client's session gets its own
    std::int32_t staleMinutes = kDefaultStaleMinutes;
    // Which of the family's records exist now, in the family's order. FindFamilyRecords by
    // default; a test keeps to the places it owns.
    std::function<std::vector<std::string>()> findRecords;
};

// What changed on a roster tick.
struct RosterTick {
    bool members = false;  // a client joined, ended, came back or was dropped
    bool drew = false;     // some client's canvas changed
};

class ClientRoster {
public:
    explicit ClientRoster(RosterConfig config);
    ~ClientRoster();
    ClientRoster(const ClientRoster&) = delete;
    ClientRoster& operator=(const ClientRoster&) = delete;

    // Looks for the family's records when a look is due (the first tick looks at once), then
    // ticks every live client's session.
    RosterTick Tick(std::uint32_t nowMs);

    // In the family's order; ended clients stay in their place until dropped.
    const std::vector<RosterClient>& Clients() const { return clients_; }
    std::vector<RosterClient>& Clients() { return clients_; }
    // The names of the live clients that have a picture, in the family's order: what a
    // rotation takes turns over.
    std::vector<std::string> ShownNames() const;
    // The client of that name, or null.
    RosterClient* Find(std::string_view name);

    // Every session leaves its record (the marker goes back to 0 where this was the last
    // reader), for a program that must end before its destructors would run.
    void DetachAll();

private:
    void Look(std::uint32_t nowMs, RosterTick& tick);

    RosterConfig config_;
    std::vector<RosterClient> clients_;
    bool lookDue_ = true;
    std::uint32_t nextLookMs_ = 0;
};

// Which client a monitor shows in rotation: each monitor keeps its own turn, by name, so that
// clients joining or leaving do not make the others skip.
struct RotationTurn {
    std::string name;  // the client shown; empty before the first turn
    std::uint32_t sinceMs = 0;
};

// The index in `names` (the live clients in the family's order) that monitor `monitor` shows
// at `nowMs`, turns lasting `periodMs`; -1 when there is no client. Monitor k starts at client
// k (modulo their number). When the turn's time is up the next client in order follows; when
// the client shown has left, the one after it in the family's order takes a full turn at once.
int NextRotation(RotationTurn& turn, const std::vector<std::string>& names, std::size_t monitor, std::uint32_t periodMs,
                 std::uint32_t nowMs);
