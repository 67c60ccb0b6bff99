#include "status_service.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "screen/status_display.h"
#include "record/inspect.h"
#include "graphics/png_encode.h"
#include "record/shared_status.h"
#include "serve_text.h"

namespace {

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

StatusService::StatusService(std::string recordName, std::string headerImage)
    : recordName_(recordName),
      // Passive: maps the record read-only and never writes a byte of it, so a saver on the same
      // record sees what it sees without us.
      session_(ReaderConfig{std::move(recordName), std::move(headerImage), true, true, 0}, NowMs()),
      lastChange_(std::chrono::steady_clock::now()) {}

StatusService::~StatusService() { Close(); }

void StatusService::Close() {
    std::call_once(closeOnce_, [this] {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        session_.Close();
    });
}

void StatusService::TickOnce() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    const bool wasAttached = session_.Attached();
    const TickOutcome outcome = session_.Tick(NowMs());
    // By the thread that drew: a request thread then reads every pixel of this tick.
    if (session_.Screen() != nullptr) session_.Screen()->FinishDrawing();
    if (outcome.present || wasAttached != session_.Attached()) {
        ++version_;
        lastChange_ = std::chrono::steady_clock::now();
    }
    const SharedMapping& mapping = session_.Mapping();
    if (mapping.record != nullptr) {
        label_.Read(reinterpret_cast<const unsigned char*>(mapping.record), mapping.size);
    } else {
        label_.Read(nullptr, 0);
    }
}

double StatusService::SecondsSinceChange() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - lastChange_).count();
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
    std::string label;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes = CopyRecord();
        sinceChange = SecondsSinceChange();
        version = version_;
        label = label_.Label();
    }
    std::string text = RecordJson(bytes.data(), bytes.size(), withSamples);
    // The server's own members go in front of the record's.
    char own[160];
    std::snprintf(own, sizeof own, "{\"screen_version\":%llu,\"seconds_since_change\":%.3f,",
                  static_cast<unsigned long long>(version), sinceChange);
    // The name is of the family or checked by the command line: it needs no escaping.
    std::string waiting = bytes.empty() ? "\"" + WaitingText() + "\"" : "null";
    return own + ("\"record\":\"" + recordName_ + "\",\"label\":" + JsonText(label)) + ",\"waiting_line\":" + waiting +
           "," + text.substr(1);
}

bool StatusService::Present() {
    std::lock_guard<std::mutex> lock(mutex_);
    return session_.Attached();
}

ClientFigures StatusService::Figures() {
    ClientFigures figures;
    figures.name = recordName_;
    std::lock_guard<std::mutex> lock(mutex_);
    figures.label = label_.Label();
    figures.secondsSinceChange = SecondsSinceChange();
    figures.encodes = encodes_;
    figures.ownerPresent = session_.Role() == ReaderRole::Follower;
    if (!session_.Attached() || session_.Record() == nullptr) return figures;
    // Only these fields, not the whole record: a scrape of many clients copies little.
    const SharedStatus& r = *session_.Record();
    figures.present = true;
    figures.saverAttached = r.saver_attached != 0;
    figures.progress = r.progress_fraction;
    figures.step = r.step_fraction;
    figures.cpuSeconds = r.cpu_seconds;
    figures.unitsCompleted = r.user_info.units_completed;
    figures.userCpuSeconds = r.user_info.total_cpu_seconds;
    figures.bestPeakPower = r.best_peak.power;
    figures.bestPeakScore = r.best_peak.score;
    figures.bestGaussianPower = r.best_gaussian.power;
    figures.bestGaussianScore = r.best_gaussian.score;
    figures.messageOn = r.message.message_on != 0;
    char text[sizeof r.status_text_a];
    std::memcpy(text, r.status_text_a, sizeof text);
    figures.statusText.assign(text, std::find(text, text + sizeof text, '\0'));
    return figures;
}
