#include "served_clients.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "reader/tick_schedule.h"
#include "serve_text.h"

namespace {

struct Metric {
    const char* name;
    const char* type;
    const char* help;
    double (*value)(const ClientFigures&);
    bool withRecordOnly;  // given only while the record is there
};

const Metric kMetrics[] = {
    {"orvane_record_present", "gauge", "1 while the shared record is there and whole.",
     [](const ClientFigures& f) { return f.present ? 1.0 : 0.0; }, false},
    {"orvane_seconds_since_change", "gauge", "Seconds since the status screen last changed (a stalled client grows it).",
     [](const ClientFigures& f) { return f.secondsSinceChange; }, false},
    {"orvane_serve_png_encodes_total", "counter", "PNG pictures of the status screen encoded.",
     [](const ClientFigures& f) { return static_cast<double>(f.encodes); }, false},
    {"orvane_readers_attached", "gauge", "1 while a reader that writes (a saver or viewer) is attached.",
     [](const ClientFigures& f) { return f.saverAttached ? 1.0 : 0.0; }, true},
    {"orvane_reader_owner_present", "gauge", "1 while another reader serves the record's handshake.",
     [](const ClientFigures& f) { return f.ownerPresent ? 1.0 : 0.0; }, true},
    {"orvane_progress_ratio", "gauge", "Progress of the current unit, 0 to 1.",
     [](const ClientFigures& f) { return f.progress; }, true},
    {"orvane_step_ratio", "gauge", "Progress of the current step, 0 to 1.", [](const ClientFigures& f) { return f.step; },
     true},
    {"orvane_cpu_seconds_total", "counter", "CPU time spent on the current unit.",
     [](const ClientFigures& f) { return f.cpuSeconds; }, true},
    {"orvane_units_completed_total", "counter", "Units the user has completed.",
     [](const ClientFigures& f) { return f.unitsCompleted; }, true},
    {"orvane_user_cpu_seconds_total", "counter", "The user's total CPU time over all units.",
     [](const ClientFigures& f) { return f.userCpuSeconds; }, true},
    {"orvane_best_peak_power", "gauge", "Power of the best peak of the unit.",
     [](const ClientFigures& f) { return f.bestPeakPower; }, true},
    {"orvane_best_peak_score", "gauge", "Score of the best peak (1 fills its meter).",
     [](const ClientFigures& f) { return f.bestPeakScore; }, true},
    {"orvane_best_gaussian_power", "gauge", "Power of the best Gaussian of the unit.",
     [](const ClientFigures& f) { return f.bestGaussianPower; }, true},
    {"orvane_best_gaussian_score", "gauge", "Score of the best Gaussian (20 fills its meter).",
     [](const ClientFigures& f) { return f.bestGaussianScore; }, true},
    {"orvane_message_on", "gauge", "1 while the client shows a message.",
     [](const ClientFigures& f) { return f.messageOn ? 1.0 : 0.0; }, true},
};

// A hostile record gives a defined figure, never NaN or a counter below zero.
double Defined(double value, bool counter) {
    if (!std::isfinite(value) || (counter && value < 0)) return 0.0;
    return value;
}

void Number(std::string& out, double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    out += text;
}

}  // namespace

ServedClients::ServedClients(ServedClientsConfig config)
    : config_(std::move(config)), default_(std::make_shared<StatusService>(config_.defaultRecord, config_.headerImage)) {
    services_.push_back(default_);
}

ServedClients::~ServedClients() { Close(); }

void ServedClients::Start() {
    if (running_.exchange(true)) return;
    thread_ = std::thread([this] {
        // The readers' one rhythm: after a stall, on with the schedule rather than a burst.
        TickSchedule ticks(std::chrono::milliseconds(kServeTickMs), TickSchedule::Clock::now());
        auto nextLook = TickSchedule::Clock::now();
        while (running_.load()) {
            const auto now = TickSchedule::Clock::now();
            if (now >= nextLook) {
                LookForRecords();
                nextLook = now + std::chrono::milliseconds(kServeFamilyLookMs);
            }
            if (ticks.Due(now)) TickOnce();
            std::this_thread::sleep_until(std::min(ticks.Next(), nextLook));
        }
    });
}

void ServedClients::Stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
}

void ServedClients::Close() {
    std::call_once(closed_, [this] {
        Stop();
        for (const auto& service : Services()) service->Close();
    });
}

std::vector<std::shared_ptr<StatusService>> ServedClients::Services() {
    std::lock_guard<std::mutex> lock(mutex_);
    return services_;
}

void ServedClients::TickOnce() {
    // Without the lock: only this thread changes the list, and a request takes its client's
    // own lock.
    for (const auto& service : services_) service->TickOnce();
}

void ServedClients::LookForRecords() {
    std::vector<std::pair<int, std::string>> found;
    for (std::string& name : config_.findRecords()) {
        const int index = config_.familyIndex(name);
        if (index == 0 || name == config_.defaultRecord) continue;
        found.emplace_back(index, std::move(name));
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.size() > static_cast<std::size_t>(kMaxClientRecords)) found.resize(kMaxClientRecords);

    std::vector<std::shared_ptr<StatusService>> next{default_};
    std::vector<std::shared_ptr<StatusService>> gone;
    auto kept = services_.begin() + 1;
    for (const auto& [index, name] : found) {
        // Both lists are in the family's order.
        while (kept != services_.end() && config_.familyIndex((*kept)->Name()) < index) gone.push_back(*kept++);
        if (kept != services_.end() && (*kept)->Name() == name) {
            next.push_back(*kept++);
        } else {
            next.push_back(std::make_shared<StatusService>(name, config_.headerImage));
        }
    }
    gone.insert(gone.end(), kept, services_.end());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        services_.swap(next);
    }
    // A request may still hold one of these; it finds it closed, as a record that went.
    for (const auto& service : gone) service->Close();
}

std::shared_ptr<StatusService> ServedClients::Client(std::string_view name) {
    if (config_.familyIndex(name) == 0) return nullptr;
    std::shared_ptr<StatusService> found;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& service : services_) {
            if (service->Name() == name) found = service;
        }
    }
    return found && (found == default_ || found->Present()) ? found : nullptr;
}

std::vector<ClientCard> ServedClients::Cards() {
    std::vector<ClientCard> cards;
    for (const auto& service : Services()) {
        ClientCard card;
        card.figures = service->Figures();
        card.isDefault = service == default_;
        if (!card.isDefault && !card.figures.present) continue;
        card.stale = card.figures.present && card.figures.secondsSinceChange >= config_.staleMinutes * 60.0;
        // The default record is reachable under its name only when the name is the family's.
        card.page = config_.familyIndex(card.figures.name) != 0 ? "c/" + card.figures.name + "/" : "status.html";
        cards.push_back(std::move(card));
    }
    return cards;
}

std::string ServedClients::ClientsJson() {
    std::string out = "[";
    for (const ClientCard& card : Cards()) {
        const ClientFigures& f = card.figures;
        if (out.size() > 1) out += ",";
        out += "{\"name\":" + JsonText(f.name) + ",\"label\":" + JsonText(f.label) +
               ",\"present\":" + (f.present ? "true" : "false") + ",\"progress_ratio\":";
        if (f.present && std::isfinite(f.progress)) {
            Number(out, f.progress);
        } else {
            out += "null";
        }
        char since[48];
        std::snprintf(since, sizeof since, ",\"seconds_since_change\":%.3f", f.secondsSinceChange);
        out += since;
        out += ",\"stale\":";
        out += card.stale ? "true" : "false";
        out += ",\"status_text\":" + JsonText(f.present ? f.statusText : std::string()) + "}";
    }
    return out + "]\n";
}

std::string ServedClients::Metrics() {
    std::vector<ClientFigures> clients;
    for (const auto& service : Services()) {
        clients.push_back(service->Figures());
        // A record of the family that cannot be opened (another user's) is none of ours.
        if (service != default_ && !clients.back().present) clients.pop_back();
    }
    std::vector<std::string> labels;
    int present = 0;
    for (const ClientFigures& f : clients) {
        labels.push_back("{record=\"" + MetricLabelText(f.name) + "\",label=\"" + MetricLabelText(f.label) + "\"} ");
        present += f.present ? 1 : 0;
    }
    std::string out =
        "# HELP orvane_clients Records of clients served now (present and whole).\n# TYPE orvane_clients gauge\n"
        "orvane_clients ";
    Number(out, present);
    out += "\n";
    for (const Metric& metric : kMetrics) {
        if (metric.withRecordOnly && present == 0) continue;
        out += std::string("# HELP ") + metric.name + " " + metric.help + "\n# TYPE " + metric.name + " " + metric.type +
               "\n";
        const bool counter = std::strcmp(metric.type, "counter") == 0;
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (metric.withRecordOnly && !clients[i].present) continue;
            out += metric.name;
            out += labels[i];
            Number(out, Defined(metric.value(clients[i]), counter));
            out += "\n";
        }
    }
    return out;
}
