// One client as orvane-serve serves it: a passive reader of its record, ticked by the thread
// of ServedClients, and the answers made from it. Every answer is made from a copy taken under
// the lock, so a slow client never holds up the tick.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "reader/reader_session.h"
#include "record/record_extension.h"

inline constexpr int kMaxImageScale = 8;
inline constexpr std::uint32_t kServeTickMs = 33;

// What the overview, /clients.json and /metrics show of one client: the record's figures and
// texts as they are now (texts in Windows-1252, as the record holds them).
struct ClientFigures {
    std::string name;
    std::string label;
    bool present = false;
    double secondsSinceChange = 0;
    std::uint64_t encodes = 0;
    bool ownerPresent = false;  // another reader serves the record's handshake
    // The record's own; zero while there is none.
    bool saverAttached = false;
    double progress = 0, step = 0, cpuSeconds = 0, unitsCompleted = 0, userCpuSeconds = 0;
    double bestPeakPower = 0, bestPeakScore = 0, bestGaussianPower = 0, bestGaussianScore = 0;
    bool messageOn = false;
    std::string statusText;  // status text A
};

class StatusService {
public:
    StatusService(std::string recordName, std::string headerImage);
    ~StatusService();
    StatusService(const StatusService&) = delete;
    StatusService& operator=(const StatusService&) = delete;

    // Leaves the record and its readers' board, for good: later ticks attach nothing. From any
    // thread, once.
    void Close();
    // One tick: attaches when due, draws what changed, reads the label.
    void TickOnce();

    // The status screen as PNG at a whole `scale` (1..kMaxImageScale); null while no record is
    // there. Encoded at most once per change of the screen and scale, then shared.
    std::shared_ptr<const std::string> Png(int scale);
    // The decoded record; without `withSamples` the graph's rows are left out (the page's poll).
    std::string Json(bool withSamples = true);
    ClientFigures Figures();
    // Whether the record is mapped and whole now.
    bool Present();
    std::string WaitingText() const;
    const std::string& Name() const { return recordName_; }
    // Counts the screen's changes; a page polls it to fetch the picture only when it moved.
    std::uint64_t Version();

private:
    struct Cached {
        std::uint64_t version = 0;
        std::shared_ptr<const std::string> png;
    };
    // Under mutex_: the record's bytes, empty while there is none.
    std::vector<unsigned char> CopyRecord();
    double SecondsSinceChange() const;

    const std::string recordName_;
    std::mutex mutex_;
    ReaderSession session_;
    LabelReader label_;
    bool closed_ = false;
    std::uint64_t version_ = 0;          // bumped on every tick that changed the screen
    std::chrono::steady_clock::time_point lastChange_;
    Cached cache_[kMaxImageScale + 1];
    std::uint64_t encodes_ = 0;
    std::once_flag closeOnce_;
};
