#include "status_service.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "reader/tick_schedule.h"
#include "screen/status_display.h"
#include "record/inspect.h"
#include "graphics/png_encode.h"
#include "record/shared_status.h"

namespace {

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// One sample line of the exposition text.
void Sample(std::string& out, const char* name, const char* type, const char* help, double value) {
    char line[256];
    // A hostile record gives a defined figure, never NaN or a counter below zero.
    if (!std::isfinite(value) || (std::strcmp(type, "counter") == 0 && value < 0)) value = 0.0;
    std::snprintf(line, sizeof line, "# HELP %s %s\n# TYPE %s %s\n%s %.17g\n", name, help, name, type, name, value);
    out += line;
}

}  // namespace

StatusService::StatusService(std::string recordName, std::string headerImage)
    : recordName_(recordName),
      // Passive: maps the record read-only and never writes a byte of it, so a saver on the same
      // record sees what it sees without us.
      session_(ReaderConfig{std::move(recordName), std::move(headerImage), true, true, 0}, NowMs()),
      lastChange_(std::chrono::steady_clock::now()),
      startTime_(lastChange_) {}

StatusService::~StatusService() { Close(); }

void StatusService::Start() {
    if (running_.exchange(true)) return;
    thread_ = std::thread([this] {
        // The readers' one rhythm: after a stall, on with the schedule rather than a burst.
        TickSchedule ticks(std::chrono::milliseconds(kServeTickMs), TickSchedule::Clock::now());
        while (running_.load()) {
            if (ticks.Due(TickSchedule::Clock::now())) TickOnce();
            std::this_thread::sleep_until(ticks.Next());
        }
    });
}

void StatusService::Stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
}

void StatusService::Close() {
    std::call_once(closed_, [this] {
        Stop();
        std::lock_guard<std::mutex> lock(mutex_);
        session_.Close();
    });
}

void StatusService::TickOnce() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasAttached = session_.Attached();
    const TickOutcome outcome = session_.Tick(NowMs());
    // By the thread that drew: a request thread then reads every pixel of this tick.
    if (session_.Screen() != nullptr) session_.Screen()->FinishDrawing();
    if (outcome.present || wasAttached != session_.Attached()) {
        ++version_;
        lastChange_ = std::chrono::steady_clock::now();
    }
}

std::uint64_t StatusService::Version() {
    std::lock_guard<std::mutex> lock(mutex_);
    return version_;
}

std::shared_ptr<const std::string> StatusService::Png(int scale) {
    scale = std::clamp(scale, 1, kMaxImageScale);
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    std::uint64_t version = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!session_.Attached() || session_.Screen() == nullptr) return nullptr;
        Cached& cached = cache_[scale];
        if (cached.png && cached.version == version_) return cached.png;
        const Canvas& canvas = *session_.Screen();
        width = canvas.PixelWidth();
        height = canvas.PixelHeight();
        canvas.CopyPixels(pixels);
        version = version_;
    }
    // Encoded outside the lock: the tick goes on meanwhile.
    auto png = std::make_shared<const std::string>(EncodePng(pixels, width, height, scale));
    if (png->empty()) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    Cached& cached = cache_[scale];
    if (!cached.png || cached.version <= version) {
        cached.png = png;
        cached.version = version;
        ++encodes_;
    }
    return png;
}

std::vector<unsigned char> StatusService::CopyRecord() {
    std::vector<unsigned char> bytes;
    if (session_.Attached() && session_.Record() != nullptr) {
        const auto* from = reinterpret_cast<const unsigned char*>(session_.Record());
        bytes.assign(from, from + kSharedStatusSize);
    }
    return bytes;
}

std::string StatusService::WaitingText() const {
    return WaitingLineFor(recordName_);
}

std::string StatusService::Json(bool withSamples) {
    std::vector<unsigned char> bytes;
    double sinceChange = 0;
    std::uint64_t version = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes = CopyRecord();
        sinceChange = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastChange_).count();
        version = version_;
    }
    std::string text = RecordJson(bytes.data(), bytes.size(), withSamples);
    // The server's own members go in front of the record's.
    char own[160];
    std::snprintf(own, sizeof own, "{\"screen_version\":%llu,\"seconds_since_change\":%.3f,\"waiting_line\":",
                  static_cast<unsigned long long>(version), sinceChange);
    std::string waiting = bytes.empty() ? "\"" + WaitingText() + "\"" : "null";
    return own + waiting + "," + text.substr(1);
}

std::string StatusService::Metrics() {
    std::vector<unsigned char> bytes;
    double sinceChange = 0;
    ReaderRole role = ReaderRole::Detached;
    std::uint64_t encodes = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes = CopyRecord();
        sinceChange = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastChange_).count();
        role = session_.Role();
        encodes = encodes_;
    }
    std::string out;
    const bool present = !bytes.empty();
    Sample(out, "orvane_record_present", "gauge", "1 while the shared record is there and whole.", present ? 1 : 0);
    Sample(out, "orvane_seconds_since_change", "gauge",
           "Seconds since the status screen last changed (a stalled client grows it).", sinceChange);
    Sample(out, "orvane_serve_png_encodes_total", "counter", "PNG pictures of the status screen encoded.",
           static_cast<double>(encodes));
    if (!present) return out;
    auto record = std::make_unique<SharedStatus>();
    std::memcpy(record.get(), bytes.data(), sizeof(SharedStatus));
    const SharedStatus& r = *record;
    Sample(out, "orvane_readers_attached", "gauge", "1 while a reader that writes (a saver or viewer) is attached.",
           r.saver_attached != 0 ? 1 : 0);
    Sample(out, "orvane_reader_owner_present", "gauge", "1 while another reader serves the record's handshake.",
           role == ReaderRole::Follower ? 1 : 0);
    Sample(out, "orvane_progress_ratio", "gauge", "Progress of the current unit, 0 to 1.", r.progress_fraction);
    Sample(out, "orvane_step_ratio", "gauge", "Progress of the current step, 0 to 1.", r.step_fraction);
    Sample(out, "orvane_cpu_seconds_total", "counter", "CPU time spent on the current unit.", r.cpu_seconds);
    Sample(out, "orvane_units_completed_total", "counter", "Units the user has completed.", r.user_info.units_completed);
    Sample(out, "orvane_user_cpu_seconds_total", "counter", "The user's total CPU time over all units.",
           r.user_info.total_cpu_seconds);
    Sample(out, "orvane_best_peak_power", "gauge", "Power of the best peak of the unit.", r.best_peak.power);
    Sample(out, "orvane_best_peak_score", "gauge", "Score of the best peak (1 fills its meter).", r.best_peak.score);
    Sample(out, "orvane_best_gaussian_power", "gauge", "Power of the best Gaussian of the unit.", r.best_gaussian.power);
    Sample(out, "orvane_best_gaussian_score", "gauge", "Score of the best Gaussian (20 fills its meter).",
           r.best_gaussian.score);
    Sample(out, "orvane_message_on", "gauge", "1 while the client shows a message.", r.message.message_on != 0 ? 1 : 0);
    return out;
}
