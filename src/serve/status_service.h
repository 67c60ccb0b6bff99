// What orvane-serve serves, apart from HTTP: a passive reader of the record, ticked on a thread
// of its own, and the answers made from it. Every answer is made from a copy taken under the
// lock, so a slow client never holds up the tick.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reader/reader_session.h"

inline constexpr int kMaxImageScale = 8;
inline constexpr std::uint32_t kServeTickMs = 33;

class StatusService {
public:
    StatusService(std::string recordName, std::string headerImage);
    ~StatusService();
    StatusService(const StatusService&) = delete;
    StatusService& operator=(const StatusService&) = delete;

    // Starts the tick thread; Stop (or the destructor) ends it.
    void Start();
    void Stop();
    // Stops and leaves the record and its readers' board; from any thread, once.
    void Close();
    // One tick, for the thread and for tests that drive the service themselves.
    void TickOnce();

    // The status screen as PNG at a whole `scale` (1..kMaxImageScale); null while no record is
    // there. Encoded at most once per change of the screen and scale, then shared.
    std::shared_ptr<const std::string> Png(int scale);
    // The decoded record; without `withSamples` the graph's rows are left out (the page's poll).
    std::string Json(bool withSamples = true);
    std::string Metrics();
    std::string WaitingText() const;
    // Counts the screen's changes; a page polls it to fetch the picture only when it moved.
    std::uint64_t Version();

private:
    struct Cached {
        std::uint64_t version = 0;
        std::shared_ptr<const std::string> png;
    };
    // Under mutex_: the record's bytes, empty while there is none.
    std::vector<unsigned char> CopyRecord();

    const std::string recordName_;
    std::mutex mutex_;
    ReaderSession session_;
    std::uint64_t version_ = 0;          // bumped on every tick that changed the screen
    std::chrono::steady_clock::time_point lastChange_;
    std::chrono::steady_clock::time_point startTime_;
    Cached cache_[kMaxImageScale + 1];
    std::uint64_t encodes_ = 0;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::once_flag closed_;
};
