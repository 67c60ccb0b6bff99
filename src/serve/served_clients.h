// Every client orvane-serve serves: the record it was started on ("orvane_share" or --record),
// always, and each record of the family while it is there, each read by a StatusService of its
// own. One thread ticks them all and looks for the family's records about once a second, as
// the saver's readers do: a client that appears is served within two seconds, and one whose
// record is gone is let go (its readers' board left).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "record/record_family.h"
#include "record/shared_status.h"
#include "status_service.h"

inline constexpr int kDefaultStaleMinutes = 10;
// How often the family's records are looked for.
inline constexpr std::uint32_t kServeFamilyLookMs = 1000;

struct ServedClientsConfig {
    std::string defaultRecord = kSharedStatusName;
    std::string headerImage;
    // A client whose screen has not changed for this long is marked stale.
    int staleMinutes = kDefaultStaleMinutes;
    // Which names are the family's (a place from 1, else 0: nothing else is ever opened) and
    // which of them hold a record now. The record family's own; a test gives a family of its
    // own names, so that it touches no record of another's.
    std::function<int(std::string_view)> familyIndex = FamilyRecordIndex;
    std::function<std::vector<std::string>()> findRecords = FindFamilyRecords;
};

// One client as the overview and /clients.json list it.
struct ClientCard {
    ClientFigures figures;
    bool stale = false;     // present, and unchanged for staleMinutes
    bool isDefault = false;  // the record orvane-serve was started on
    std::string page;        // its page, relative to the overview: "c/NAME/" or "status.html"
};

class ServedClients {
public:
    explicit ServedClients(ServedClientsConfig config);
    ~ServedClients();
    ServedClients(const ServedClients&) = delete;
    ServedClients& operator=(const ServedClients&) = delete;

    // Starts the thread that ticks every client and looks for records; Stop (or Close) ends it.
    void Start();
    void Stop();
    // Stops and lets every record and its readers' board go; from any thread, once.
    void Close();
    // For tests that drive the clients themselves, never beside the thread of Start: one tick
    // of each, and one look.
    void TickOnce();
    void LookForRecords();

    // The record orvane-serve was started on.
    std::shared_ptr<StatusService> Default() const { return default_; }
    // The client of a name of the family while its record is served (the default record's
    // always); null for any other name.
    std::shared_ptr<StatusService> Client(std::string_view name);
    // The default record first, then the family's present records in its order. A record of
    // the family that is found but cannot be read (another user's, say) is left out, here, in
    // /clients.json and in /metrics, as one that is not there.
    std::vector<ClientCard> Cards();
    std::string ClientsJson();
    std::string Metrics();

private:
    std::vector<std::shared_ptr<StatusService>> Services();

    const ServedClientsConfig config_;
    const std::shared_ptr<StatusService> default_;
    mutable std::mutex mutex_;
    // The default first, then the family's by place. Changed only by the ticking thread (or a
    // test that ticks), under mutex_.
    std::vector<std::shared_ptr<StatusService>> services_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::once_flag closed_;
};
