// The client library's C interface: one call per item, each writing the item's values into
// the record and handing the rest to the handle's rules (client_rules.h).
#include "orvane/client.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "client_rules.h"
#include "record/record_extension.h"
#include "record/record_family.h"
#include "record/record_ranges.h"

namespace {

using orvane::Geometry;

// Whether the field holds the text as CopyText would write it.
template <std::size_t N>
bool SameText(const char (&field)[N], const char* text) {
    if (text == nullptr) text = "";
    const std::size_t length = strnlen(text, N - 1);
    return std::memcmp(field, text, length) == 0 && field[length] == '\0';
}

template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    // The whole field is written: a shorter text must not leave the end of an older one.
    std::size_t length = text == nullptr ? 0 : strnlen(text, N - 1);
    std::memcpy(field, text == nullptr ? "" : text, length);
    std::memset(field + length, 0, N - length);
}

float Fraction(float value) { return std::clamp(value, 0.0f, 1.0f); }

// A row of `bins` heights from `count` samples: the maximum of each group when there are more,
// the nearest sample when fewer; `height` turns one sample into pixels, held to the peak.
template <typename T, typename ToHeight>
void Resample(const T* values, std::size_t count, std::uint8_t* out, std::int32_t bins, ToHeight height) {
    const auto n = static_cast<std::size_t>(bins);
    if (count == n) {
        for (std::size_t i = 0; i < n; ++i) out[i] = height(values[i]);
    } else if (count > n) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t from = i * count / n;
            const std::size_t to = std::max(from + 1, (i + 1) * count / n);
            std::uint8_t best = 0;
            for (std::size_t k = from; k < to; ++k) best = std::max(best, height(values[k]));
            out[i] = best;
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = height(values[i * count / n]);
    }
}

// Every publishing call starts here: a live handle, and a look at the readers first.
orvane_client* Enter(orvane_client* client) {
    if (client == nullptr || client->record == nullptr) return nullptr;
    client->Look();
    return client;
}

void CopyPeak(PeakSummary& to, const orvane_peak& from) {
    to = PeakSummary{from.power, from.score, from.freq_bin, from.time_bin, from.drift_rate, from.fft_length};
}

// The latest peak shows only its score; the best one where it is too, so its bins must lie in
// its transform.
orvane_status SetPeak(orvane_client* client, const orvane_peak* peak, PeakSummary& field, RecordItem item) {
    if (peak == nullptr) return ORVANE_ERR_ARGUMENT;
    const bool showable = item == RecordItem::BestPeak
                              ? orvane::SummaryFaults(peak->score, peak->freq_bin, peak->time_bin, peak->fft_length) == 0
                              : orvane::CurrentPeakShowable(peak->score);
    if (!showable) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    CopyPeak(field, *peak);
    client->Publish(item);
    return ORVANE_OK;
}

orvane_status SetText(orvane_client* client, char (&field)[80], RecordItem item, const char* text) {
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    CopyText(field, text);
    client->Publish(item);
    // The step bar shares the status line, which the text's redraw blanks; a reader draws the
    // bar after the texts, so raising it now brings it back in the same tick.
    client->RaiseIfPublished(RecordItem::StepFraction);
    return ORVANE_OK;
}

orvane_status SetFraction(orvane_client* client, float& field, RecordItem item, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    // Held to the range, as documented; only NaN has no place in it.
    const float held = Fraction(fraction);
    if (!orvane::FractionShowable(held)) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    field = held;
    client->Publish(item);
    return ORVANE_OK;
}

// Row j takes row j + 1's samples; the front row (rows - 1) is then free for the newest.
std::uint8_t* ShiftRowsBack(orvane_client* client) {
    const Geometry& g = client->geometry;
    const auto rows = static_cast<std::size_t>(g.rows);
    std::memmove(client->rows[0], client->rows[1], (rows - 1) * kMaxSpectrumBins);
    return client->rows[rows - 1];
}

orvane_client* EnterGraph(orvane_client* client) {
    if (Enter(client) == nullptr) return nullptr;
    if (!client->graphSet) {
        client->ApplyGeometry(orvane::Choose(0, 0, false, client->lastAreaWidth, client->lastAreaHeight));
    }
    return client;
}

// The family's place of `name`, 0 for a name outside it. The 64 names are few enough to
// compare with each.
int FamilyPlace(std::string_view name) {
    for (int place = 1; place <= kMaxClientRecords; ++place) {
        if (FamilyRecordName(place) == name) return place;
    }
    return 0;
}

// ORVANE_OPEN_NEXT_FREE: the first place from `first` on that can be ours. A name a running
// client holds, another user's record and an object too short to be a record are all someone
// else's; any other failure is the system's, and trying further names would only hide it.
orvane_status OpenFirstFree(int first, orvane::ClientStore& store, std::string& text) {
    for (int place = first; place <= kMaxClientRecords; ++place) {
        const std::string name = FamilyRecordName(place);
        const orvane_status status = orvane::OpenStore(name.c_str(), store, text);
        if (status != ORVANE_ERR_NAME_TAKEN && status != ORVANE_ERR_PERMISSION && status != ORVANE_ERR_TOO_SMALL) {
            return status;
        }
    }
    // From the last place on, the one name's own reason says it better.
    if (first < kMaxClientRecords) {
        text = "every name of the family from " + FamilyRecordName(first) + " to " +
               FamilyRecordName(kMaxClientRecords) + " is in use";
    }
    return ORVANE_ERR_NAME_TAKEN;
}

}  // namespace

extern "C" {

const char* orvane_status_text(orvane_status status) {
    switch (status) {
        case ORVANE_OK: return "success";
        case ORVANE_ERR_ARGUMENT: return "a null handle or pointer, an empty row, or a bad record name or flags";
        case ORVANE_ERR_RANGE: return "a value outside what the reader can show";
        case ORVANE_ERR_NAME_TAKEN: return "the record is in use by a running client";
        case ORVANE_ERR_TOO_SMALL:
            return "an object of that name exists and is smaller than the record (or has no room for the label)";
        case ORVANE_ERR_PERMISSION: return "no permission to open the record read-write";
        case ORVANE_ERR_MEMORY: return "out of memory";
        case ORVANE_ERR_SYSTEM: return "a system call failed";
    }
    return "unknown status";
}

orvane_status orvane_open(const char* name, unsigned flags, orvane_client** out, char* message,
                          std::size_t messageSize) {
    std::string text;
    orvane_status status = ORVANE_OK;
    if (name == nullptr) name = kSharedStatusName;
    if (out != nullptr) *out = nullptr;
    orvane_client* client = nullptr;
    const std::size_t length = strnlen(name, 256);
    constexpr unsigned kKnownFlags = ORVANE_OPEN_KEEP_NAME | ORVANE_OPEN_NEXT_FREE;
    const bool nextFree = (flags & ORVANE_OPEN_NEXT_FREE) != 0;
    const int firstPlace = nextFree ? FamilyPlace(std::string_view(name, length)) : 0;
    if (out == nullptr) {
        status = ORVANE_ERR_ARGUMENT;
        text = "no place for the handle: out is NULL";
    } else if ((flags & ~kKnownFlags) != 0) {
        // A flag this version does not know may ask for something it would not do.
        status = ORVANE_ERR_ARGUMENT;
        char buffer[128];
        std::snprintf(buffer, sizeof buffer,
                      "unknown flags 0x%X: only ORVANE_OPEN_KEEP_NAME (0x1) and ORVANE_OPEN_NEXT_FREE (0x2) are defined",
                      flags & ~kKnownFlags);
        text = buffer;
    } else if (length == 0 || length >= 200 || std::strchr(name, '/') != nullptr ||
               std::strchr(name, '\\') != nullptr) {
        status = ORVANE_ERR_ARGUMENT;
        text = "the record's name must be 1 to 199 characters without slashes";
    } else if (nextFree && firstPlace == 0) {
        // Readers look for the family's names alone: a client on another name would be missed.
        status = ORVANE_ERR_ARGUMENT;
        text = "ORVANE_OPEN_NEXT_FREE takes NULL or a name of the family (orvane_share, orvane_share_2 to "
               "orvane_share_64), not \"" + std::string(name, length) + "\"";
    } else {
        client = new (std::nothrow) orvane_client;
        if (client == nullptr) {
            status = ORVANE_ERR_MEMORY;
            text = "no memory for the client's handle";
        } else if (nextFree) {
            status = OpenFirstFree(firstPlace, client->store, text);
        } else {
            status = orvane::OpenStore(name, client->store, text);
        }
    }
    if (status == ORVANE_OK) {
        client->record = client->store.record;
        client->keepName = (flags & ORVANE_OPEN_KEEP_NAME) != 0;
        client->lastAttached = ReadFlag(client->record->saver_attached);
        client->lastAreaWidth = ReadFlag(client->record->graph_area_width);
        client->lastAreaHeight = ReadFlag(client->record->graph_area_height);
        *out = client;
    } else {
        delete client;
    }
    if (message != nullptr && messageSize > 0) std::snprintf(message, messageSize, "%s", text.c_str());
    return status;
}

const char* orvane_record_name(const orvane_client* client) {
    if (client == nullptr) return "";
    return client->store.name.c_str();
}

orvane_status orvane_set_label(orvane_client* client, const char* text) {
    if (client == nullptr || text == nullptr) return ORVANE_ERR_ARGUMENT;
    // One byte past the longest label is enough to tell that it is too long.
    if (!LabelAcceptable(std::string_view(text, strnlen(text, kRecordLabelBytes)))) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    auto* bytes = reinterpret_cast<unsigned char*>(client->record);
    if (!WriteRecordLabel(bytes, client->store.size, std::string_view(text, std::strlen(text)))) {
        return ORVANE_ERR_TOO_SMALL;
    }
    return ORVANE_OK;
}

void orvane_close(orvane_client* client) {
    if (client == nullptr) return;
    orvane::CloseStore(client->store, !client->keepName);
    delete client;
}

unsigned orvane_poll(orvane_client* client) {
    if (Enter(client) == nullptr) return 0;
    const unsigned events = client->events;
    client->events = 0;
    return events;
}

int orvane_reader_attached(orvane_client* client) {
    if (Enter(client) == nullptr) return 0;
    return client->lastAttached != 0 ? 1 : 0;
}

orvane_status orvane_set_user(orvane_client* client, const char* name, std::int32_t unitsCompleted,
                              double totalCpuSeconds) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (!orvane::SecondsShowable(totalCpuSeconds)) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    UserInfo& info = client->record->user_info;
    CopyText(info.user_name, name);
    info.units_completed = unitsCompleted;
    info.total_cpu_seconds = totalCpuSeconds;
    client->Publish(RecordItem::UserInfo);
    return ORVANE_OK;
}

orvane_status orvane_set_data_unit(orvane_client* client, const orvane_data_unit* unit) {
    if (client == nullptr || unit == nullptr) return ORVANE_ERR_ARGUMENT;
    if (orvane::DataUnitFaults(unit->ra_hours, unit->dec_degrees, unit->recorded_jd, unit->base_frequency_hz,
                               unit->bandwidth_hz, unit->bin_wrap_divisor) != 0) {
        return ORVANE_ERR_RANGE;
    }
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    SharedStatus& r = *client->record;
    DataInfo& info = r.data_info;
    const bool labelsChange = info.bandwidth_hz != unit->bandwidth_hz || info.sample_count != unit->sample_count;
    info.ra_hours = unit->ra_hours;
    info.dec_degrees = unit->dec_degrees;
    info.recorded_jd = unit->recorded_jd;
    info.base_frequency_hz = unit->base_frequency_hz;
    info.bandwidth_hz = unit->bandwidth_hz;
    info.bin_wrap_divisor = unit->bin_wrap_divisor;
    info.data_source = unit->data_source;
    info.sample_count = unit->sample_count;
    client->Publish(RecordItem::DataInfo);
    // The bandwidth, the divisor and the duration have no flag: what shows them is redrawn.
    for (const RecordItem item : {RecordItem::SearchParams, RecordItem::BestPeak, RecordItem::BestGaussian}) {
        client->RaiseIfPublished(item);
    }
    // The graph's labels show the bandwidth and the duration: new ones are not held back under
    // the message.
    if (labelsChange) {
        client->RaiseGraphUnderMessage();
    } else {
        client->RaiseGraph();
    }
    return ORVANE_OK;
}

orvane_status orvane_set_status_a(orvane_client* client, const char* text) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    client->statusBLast = false;
    return SetText(client, client->record->status_text_a, RecordItem::StatusTextA, text);
}

orvane_status orvane_set_status_b(orvane_client* client, const char* text) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    client->statusBLast = true;
    return SetText(client, client->record->status_text_b, RecordItem::StatusTextB, text);
}

orvane_status orvane_set_progress(orvane_client* client, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetFraction(client, client->record->progress_fraction, RecordItem::Progress, fraction);
}

orvane_status orvane_set_step(orvane_client* client, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetFraction(client, client->record->step_fraction, RecordItem::StepFraction, fraction);
}

orvane_status orvane_set_cpu_time(orvane_client* client, double seconds) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (!orvane::SecondsShowable(seconds)) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    client->record->cpu_seconds = seconds;
    if (!client->spareCpuTime) RaiseItem(*client->record, RecordItem::CpuTime);
    client->published.Add(RecordItem::CpuTime);
    return ORVANE_OK;
}

orvane_status orvane_set_search(orvane_client* client, float driftRate, std::int32_t fftLength) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (orvane::SearchFaults(driftRate, fftLength) != 0) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    client->record->drift_rate = driftRate;
    client->record->fft_length = fftLength;
    client->Publish(RecordItem::SearchParams);
    return ORVANE_OK;
}

orvane_status orvane_set_current_peak(orvane_client* client, const orvane_peak* peak) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetPeak(client, peak, client->record->current_peak, RecordItem::CurrentPeak);
}

orvane_status orvane_set_best_peak(orvane_client* client, const orvane_peak* peak) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetPeak(client, peak, client->record->best_peak, RecordItem::BestPeak);
}

orvane_status orvane_set_best_gaussian(orvane_client* client, const orvane_gaussian* gaussian) {
    if (client == nullptr || gaussian == nullptr) return ORVANE_ERR_ARGUMENT;
    if (orvane::SummaryFaults(gaussian->score, gaussian->freq_bin, gaussian->time_bin, gaussian->fft_length) != 0) {
        return ORVANE_ERR_RANGE;
    }
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    GaussianSummary& to = client->record->best_gaussian;
    to.score = gaussian->score;
    to.power = gaussian->power;
    to.fit = gaussian->fit;
    to.freq_bin = gaussian->freq_bin;
    to.time_bin = gaussian->time_bin;
    to.drift_rate = gaussian->drift_rate;
    to.fft_length = gaussian->fft_length;
    client->Publish(RecordItem::BestGaussian);
    return ORVANE_OK;
}

orvane_status orvane_show_message(orvane_client* client, const char* line1, const char* line2) {
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    MessageBlock& m = client->record->message;
    // A new text over the old one would leave the old one's longer parts standing: the graph
    // goes up again first, and its frame wipes the old text. The same text again changes
    // nothing on the screen, and wipes nothing.
    if (client->messageOn && !(SameText(m.message_line1, line1) && SameText(m.message_line2, line2))) {
        client->RaiseGraphUnderMessage();
    }
    m.message_on = 1;
    CopyText(m.message_line1, line1);
    CopyText(m.message_line2, line2);
    // A frame or row still waiting would be drawn after the message in the reader's tick and
    // wipe it: the message goes up again once they are served.
    client->messageRepeat = client->graphSet && client->GraphPending();
    client->messageOn = true;
    client->Publish(RecordItem::Message);
    return ORVANE_OK;
}

orvane_status orvane_hide_message(orvane_client* client) {
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    MessageBlock& m = client->record->message;
    m.message_on = 0;
    std::memset(m.message_line1, 0, sizeof m.message_line1);
    std::memset(m.message_line2, 0, sizeof m.message_line2);
    client->Publish(RecordItem::Message);
    client->messageOn = false;
    client->messageRepeat = false;
    // Taking the message down blanks the graph panel; after the message's flag, so that a
    // reader draws the blanking first.
    client->RaiseGraph();
    return ORVANE_OK;
}

orvane_status orvane_set_graph(orvane_client* client, std::int32_t bins, std::int32_t rows, int mirrored) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (bins < 0 || bins > kMaxSpectrumBins || rows < 0 || rows > kMaxSpectrumRows) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    client->wantedBins = bins;
    client->wantedRows = rows;
    client->wantedMirrored = mirrored != 0;
    client->ApplyGeometry(
        orvane::Choose(bins, rows, mirrored != 0, client->lastAreaWidth, client->lastAreaHeight));
    client->RaiseGraph();
    return ORVANE_OK;
}

orvane_status orvane_get_graph(orvane_client* client, orvane_graph* out) {
    if (out == nullptr || Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    const Geometry g = client->graphSet
                           ? client->geometry
                           : orvane::Choose(0, 0, false, client->lastAreaWidth, client->lastAreaHeight);
    *out = orvane_graph{g.depthX, g.depthY, g.mirrored, g.peakHeight, g.rows, g.bins};
    return ORVANE_OK;
}

orvane_status orvane_push_row(orvane_client* client, const std::uint8_t* values, std::size_t count) {
    // An empty row is a caller's slip far more often than a wish for a blank one.
    if (values == nullptr || count == 0) return ORVANE_ERR_ARGUMENT;
    if (EnterGraph(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    const Geometry& g = client->geometry;
    if (g.rows < 1) return ORVANE_OK;
    std::uint8_t* front = ShiftRowsBack(client);
    const auto peak = static_cast<std::uint8_t>(g.peakHeight);
    Resample(values, count, front, g.bins,
             [peak](std::uint8_t v) { return std::min(v, peak); });
    client->RaiseGraph();
    return ORVANE_OK;
}

orvane_status orvane_push_row_float(orvane_client* client, const float* values, std::size_t count,
                                    float fullScale) {
    if (values == nullptr || count == 0) return ORVANE_ERR_ARGUMENT;
    if (!(fullScale > 0) || !std::isfinite(fullScale)) return ORVANE_ERR_RANGE;
    if (EnterGraph(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    const Geometry& g = client->geometry;
    if (g.rows < 1) return ORVANE_OK;
    std::uint8_t* front = ShiftRowsBack(client);
    const float scale = static_cast<float>(g.peakHeight) / fullScale;
    const float top = static_cast<float>(g.peakHeight);
    Resample(values, count, front, g.bins, [scale, top](float v) {
        const float h = v * scale;
        // NaN fails both tests and lands on the floor.
        return static_cast<std::uint8_t>(h >= top ? top : h > 0 ? h : 0.0f);
    });
    client->RaiseGraph();
    return ORVANE_OK;
}

orvane_status orvane_spare_cpu_time_flag(orvane_client* client, int spare) {
    if (client == nullptr || client->record == nullptr) return ORVANE_ERR_ARGUMENT;
    client->spareCpuTime = spare != 0;
    return ORVANE_OK;
}

void* orvane_raw_record(orvane_client* client, std::size_t* size) {
    if (client == nullptr || client->record == nullptr) return nullptr;
    if (size != nullptr) *size = client->store.size;
    return client->record;
}

}  // extern "C"
