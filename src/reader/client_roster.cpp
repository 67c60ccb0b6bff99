#include "reader/client_roster.h"

#include <algorithm>
#include <utility>

#include "record/record_family.h"

namespace {

constexpr std::uint32_t kMillisecondsPerMinute = 60000;

bool Elapsed(std::uint32_t nowMs, std::uint32_t sinceMs, std::uint32_t periodMs) { return nowMs - sinceMs >= periodMs; }

}  // namespace

bool ParseClientsMode(std::string_view text, ClientsMode& mode) {
    if (text == "one") {
        mode = ClientsMode::One;
    } else if (text == "rotate") {
        mode = ClientsMode::Rotate;
    } else if (text == "overview") {
        mode = ClientsMode::Overview;
    } else {
        return false;
    }
    return true;
}

const char* ClientsModeName(ClientsMode mode) {
    switch (mode) {
    case ClientsMode::Rotate:
        return "rotate";
    case ClientsMode::Overview:
        return "overview";
    case ClientsMode::One:
        break;
    }
    return "one";
}

ClientRoster::ClientRoster(RosterConfig config) : config_(std::move(config)) {
    if (!config_.findRecords) config_.findRecords = FindFamilyRecords;
    config_.staleMinutes = std::clamp(config_.staleMinutes, kMinStaleMinutes, kMaxStaleMinutes);
}

ClientRoster::~ClientRoster() = default;

RosterClient* ClientRoster::Find(std::string_view name) {
    for (RosterClient& client : clients_)
        if (client.name == name) return &client;
    return nullptr;
}

std::vector<std::string> ClientRoster::ShownNames() const {
    std::vector<std::string> names;
    for (const RosterClient& client : clients_)
        if (!client.ended && client.HasScreen()) names.push_back(client.name);
    return names;
}

void ClientRoster::DetachAll() {
    for (RosterClient& client : clients_)
        if (client.session != nullptr) client.session->Detach();
}

void ClientRoster::Look(std::uint32_t nowMs, RosterTick& tick) {
    const std::uint32_t stalePeriod = static_cast<std::uint32_t>(config_.staleMinutes) * kMillisecondsPerMinute;
    const std::vector<std::string> found = config_.findRecords();
    const auto present = [&found](const std::string& name) {
        return std::find(found.begin(), found.end(), name) != found.end();
    };
    for (RosterClient& client : clients_) {
        if (!client.ended && !present(client.name)) {
            client.ended = true;
            client.endedMs = nowMs;
            client.stale = false;
            client.drewThisTick = false;
            tick.members = true;
        }
    }
    // An ended client is kept as long as a silent one takes to be called stale; one whose name
    // is back is a new client, with a session of its own.
    const auto before = clients_.size();
    std::erase_if(clients_, [&](const RosterClient& client) {
        return client.ended && (present(client.name) || Elapsed(nowMs, client.endedMs, stalePeriod));
    });
    if (clients_.size() != before) tick.members = true;

    for (const std::string& name : found) {
        if (FamilyRecordIndex(name) == 0 || Find(name) != nullptr) continue;
        RosterClient client;
        client.name = name;
        ReaderConfig reader = config_.reader;
        reader.recordName = name;
        client.session = std::make_unique<ReaderSession>(std::move(reader), nowMs);
        client.joinedMs = nowMs;
        client.lastChangeMs = nowMs;
        const auto place = std::find_if(clients_.begin(), clients_.end(), [&name](const RosterClient& other) {
            return FamilyRecordIndex(other.name) > FamilyRecordIndex(name);
        });
        clients_.insert(place, std::move(client));
        tick.members = true;
    }
}

RosterTick ClientRoster::Tick(std::uint32_t nowMs) {
    RosterTick tick;
    if (lookDue_ || TimeReached(nowMs, nextLookMs_)) {
        lookDue_ = false;
        nextLookMs_ = nowMs + kFamilyLookMs;
        Look(nowMs, tick);
    }
    const std::uint32_t stalePeriod = static_cast<std::uint32_t>(config_.staleMinutes) * kMillisecondsPerMinute;
    for (RosterClient& client : clients_) {
        if (client.ended) continue;
        ReaderSession& session = *client.session;
        // Nothing here moves the copies or forces a present, so a present is a change drawn.
        client.drewThisTick = session.Tick(nowMs).present;
        if (client.drewThisTick) {
            client.lastChangeMs = nowMs;
            tick.drew = true;
        }
        if (session.Attached()) {
            // A label being rewritten keeps the one read before.
            client.label = client.labels.Read(reinterpret_cast<const unsigned char*>(session.Record()), session.Mapping().size);
        }
        client.stale = Elapsed(nowMs, client.lastChangeMs, stalePeriod);
    }
    return tick;
}

int NextRotation(RotationTurn& turn, const std::vector<std::string>& names, std::size_t monitor, std::uint32_t periodMs,
                 std::uint32_t nowMs) {
    if (names.empty()) {
        turn = RotationTurn{};
        return -1;
    }
    const std::size_t count = names.size();
    if (turn.name.empty()) {
        const std::size_t first = monitor % count;
        turn = RotationTurn{names[first], nowMs};
        return static_cast<int>(first);
    }
    const auto shown = std::find(names.begin(), names.end(), turn.name);
    if (shown == names.end()) {
        // The one after the client that left, in the family's order, as if its turn had ended.
        const int gone = FamilyRecordIndex(turn.name);
        std::size_t next = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (FamilyRecordIndex(names[i]) > gone) {
                next = i;
                break;
            }
        }
        turn = RotationTurn{names[next], nowMs};
        return static_cast<int>(next);
    }
    std::size_t index = static_cast<std::size_t>(shown - names.begin());
    if (periodMs > 0 && Elapsed(nowMs, turn.sinceMs, periodMs)) {
        index = (index + 1) % count;
        turn.name = names[index];
        // A late tick keeps the rhythm; one a whole turn late starts it again from now.
        turn.sinceMs += periodMs;
        if (Elapsed(nowMs, turn.sinceMs, periodMs)) turn.sinceMs = nowMs;
    }
    return static_cast<int>(index);
}
