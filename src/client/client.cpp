// The client library: one call per item, and the rules that keep a reader's screen whole.
#include "orvane/client.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "client_store.h"
#include "record/graph_geometry.h"
#include "record/record_ranges.h"

namespace {

using orvane::Geometry;

// Items whose flags come up again when a reader attaches, one bit each.
enum Item : unsigned {
    kUser = 1u << 0,
    kDataUnit = 1u << 1,
    kStatusA = 1u << 2,
    kStatusB = 1u << 3,
    kProgress = 1u << 4,
    kStep = 1u << 5,
    kCpuTime = 1u << 6,
    kSearch = 1u << 7,
    kCurrentPeak = 1u << 8,
    kBestPeak = 1u << 9,
    kBestGaussian = 1u << 10,
    kMessage = 1u << 11,
};

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

}  // namespace

struct orvane_client {
    orvane::ClientStore store;
    SharedStatus* record = nullptr;
    bool keepName = false;

    unsigned published = 0;  // Item bits set at least once
    unsigned events = 0;     // not yet handed out by orvane_poll
    std::int32_t lastAttached = 0;
    std::int32_t lastAreaWidth = 0;
    std::int32_t lastAreaHeight = 0;

    bool graphSet = false;
    bool geometryWritten = false;  // the record holds `geometry` and its cleared rows
    bool frameWatched = false;     // the frame raised last may still be waiting for a reader
    // The waterfall as published, row 0 the oldest; the record gets it with the flags.
    std::uint8_t rows[kMaxSpectrumRows][kMaxSpectrumBins] = {};
    std::int32_t wantedBins = 0;
    std::int32_t wantedRows = 0;
    bool wantedMirrored = false;
    Geometry geometry;

    bool statusBLast = false;
    bool spareCpuTime = false;  // the CPU time's flag belongs to another program
    bool messageOn = false;
    bool messageRepeat = false;  // the message may be wiped by a frame raised before it

    // The graph is written into the record only here, values and flags together: a follower
    // draws what its owner drew from the record as it is when the follower comes to it, so a
    // value changed without its flag would show on one reader and not on another.
    void RaiseGraph() {
        if (!graphSet) return;
        // Held while the message shows; taking it down raises the graph again.
        if (messageOn) return;
        SharedStatus& r = *record;
        const Geometry& g = geometry;
        r.graph_depth_x = g.depthX;
        r.graph_depth_y = g.depthY;
        r.graph_mirrored = g.mirrored;
        r.graph_peak_height = g.peakHeight;
        r.graph_row_count = g.rows;
        r.graph_bin_count = g.bins;
        // After a new geometry the rows it no longer uses are cleared too.
        const std::int32_t written = geometryWritten ? g.rows : kMaxSpectrumRows;
        for (std::int32_t j = 0; j < written; ++j) {
            std::memcpy(r.spectrum_rows[j].values, rows[static_cast<std::size_t>(j)], kMaxSpectrumBins);
        }
        geometryWritten = true;
        // Frame first: a reader that draws in between clears the panel and still finds every
        // row raised.
        RaiseFlag(r.graph_frame_changed);
        for (std::int32_t j = 0; j < g.rows; ++j) RaiseFlag(r.spectrum_rows[j].changed);
        frameWatched = true;
    }

    // The graph raised while the message shows, for what must not wait until it goes: the
    // frame wipes the message, which goes up again once the graph is drawn.
    void RaiseGraphUnderMessage() {
        const bool on = messageOn;
        messageOn = false;
        RaiseGraph();
        messageOn = on;
        messageRepeat = messageRepeat || (on && graphSet);
    }

    // A reader reads the frame's flag before the rows'. A tick that read it just before the
    // raise above and the rows' just after draws rows alone; the frame it draws next tick
    // then clears them, and a row is drawn only when raised. A row lowered while the frame is
    // still up was drawn before the frame, so it goes up again to be drawn after it.
    void WatchFrame() {
        if (!frameWatched || !geometryWritten) return;
        if (ReadFlag(record->graph_frame_changed) == 0) {
            frameWatched = false;
            return;
        }
        if (lastAttached == 0) return;  // nobody lowers anything
        bool raised = false;
        for (std::int32_t j = 0; j < geometry.rows; ++j) {
            if (ReadFlag(record->spectrum_rows[j].changed) != 0) continue;
            RaiseFlag(record->spectrum_rows[j].changed);
            raised = true;
        }
        // The reader may have drawn the frame meanwhile, and after it some of these rows: they
        // would then be drawn again alone, over the whole picture. The frame and every row
        // once more make it whole.
        if (raised && ReadFlag(record->graph_frame_changed) == 0) {
            RaiseFlag(record->graph_frame_changed);
            for (std::int32_t j = 0; j < geometry.rows; ++j) RaiseFlag(record->spectrum_rows[j].changed);
            messageRepeat = messageRepeat || messageOn;  // the frame wipes a message out
        }
    }

    // The same for the status line: a reader draws text B before A, so a tick that read B's
    // flag just before the client raised both and A's just after draws A, then B over it at
    // the next tick. A, set last, goes up again to be drawn after B.
    void WatchStatusLine() {
        if (statusBLast || (published & kStatusA) == 0 || lastAttached == 0) return;
        SharedStatus& r = *record;
        if (ReadFlag(r.status_text_a_changed) != 0 || ReadFlag(r.status_text_b_changed) == 0) return;
        RaiseFlag(r.status_text_a_changed);
        if ((published & kStep) != 0) RaiseFlag(r.step_fraction_changed);  // the line's redraw blanks the bar
    }

    // What a reader will still draw of the graph: the rows of the geometry in the record, which
    // while the message shows may be older than the one chosen since.
    bool GraphPending() const {
        if (ReadFlag(record->graph_frame_changed) != 0) return true;
        const std::int32_t rows = std::clamp<std::int32_t>(record->graph_row_count, 0, kMaxSpectrumRows);
        for (std::int32_t j = 0; j < rows; ++j) {
            if (ReadFlag(record->spectrum_rows[j].changed) != 0) return true;
        }
        return false;
    }

    void RaiseAll() {
        SharedStatus& r = *record;
        const std::pair<Item, std::int32_t*> flags[] = {
            {kUser, &r.user_info_changed},         {kDataUnit, &r.data_info_changed},
            {kStatusB, &r.status_text_b_changed},  {kStatusA, &r.status_text_a_changed},
            {kProgress, &r.progress_changed},      {kStep, &r.step_fraction_changed},
            {kCpuTime, &r.cpu_time_changed},       {kSearch, &r.search_params_changed},
            {kCurrentPeak, &r.current_peak_changed}, {kBestPeak, &r.best_peak_changed},
            {kBestGaussian, &r.best_gaussian_changed}, {kMessage, &r.message_changed},
        };
        // The two status texts share a line: only the one set last comes up again.
        const unsigned hidden = (statusBLast ? kStatusA : kStatusB) | (spareCpuTime ? kCpuTime : 0u);
        for (const auto& [item, flag] : flags) {
            if ((published & item & ~hidden) != 0) RaiseFlag(*flag);
        }
        RaiseGraph();
    }

    // The record keeps the old geometry until the graph is raised (RaiseGraph writes it).
    void ApplyGeometry(const Geometry& g) {
        geometry = g;
        // Old rows were scaled for the old box; the waterfall starts again.
        std::memset(rows, 0, sizeof rows);
        geometryWritten = false;
        frameWatched = false;
        graphSet = true;
    }

    // Looks at what readers wrote since the last call and keeps their screens whole.
    void Look() {
        const std::int32_t attached = ReadFlag(record->saver_attached);
        const std::int32_t width = ReadFlag(record->graph_area_width);
        const std::int32_t height = ReadFlag(record->graph_area_height);
        bool refresh = false;
        if (attached != 0 && lastAttached == 0) {
            events |= ORVANE_EVENT_ATTACHED;
            refresh = true;
        } else if (attached == 0 && lastAttached != 0) {
            events |= ORVANE_EVENT_DETACHED;
        }
        lastAttached = attached;
        if (width != lastAreaWidth || height != lastAreaHeight) {
            // A reader writes its area when it attaches: one that replaced another, or came
            // beside it, has drawn nothing yet either.
            lastAreaWidth = width;
            lastAreaHeight = height;
            refresh = refresh || attached != 0;
            if (graphSet) {
                const Geometry g = orvane::Choose(wantedBins, wantedRows, wantedMirrored, width, height);
                if (!(g == geometry)) {
                    ApplyGeometry(g);
                    events |= ORVANE_EVENT_AREA;
                    refresh = true;
                }
            }
        }
        if (refresh) {
            // A graph raised before the message went up may still be drawn after it.
            messageRepeat = messageRepeat || (messageOn && graphSet && GraphPending());
            RaiseAll();
        }
        WatchFrame();
        WatchStatusLine();
        if (messageRepeat && messageOn && ReadFlag(record->message_changed) == 0 && !GraphPending()) {
            // The graph raised before the message went up has been drawn, maybe over it.
            RaiseFlag(record->message_changed);
            messageRepeat = false;
        }
    }
};

namespace {

// Every publishing call starts here: a live handle, and a look at the readers first.
orvane_client* Enter(orvane_client* client) {
    if (client == nullptr || client->record == nullptr) return nullptr;
    client->Look();
    return client;
}

void CopyPeak(PeakSummary& to, const orvane_peak& from) {
    to.power = from.power;
    to.score = from.score;
    to.freq_bin = from.freq_bin;
    to.time_bin = from.time_bin;
    to.drift_rate = from.drift_rate;
    to.fft_length = from.fft_length;
}

// The latest peak shows only its score; the best one where it is too, so its bins must lie in
// its transform.
orvane_status SetPeak(orvane_client* client, const orvane_peak* peak, PeakSummary& field, std::int32_t& flag,
                      Item item) {
    if (peak == nullptr) return ORVANE_ERR_ARGUMENT;
    const bool showable = item == kBestPeak
                              ? orvane::SummaryFaults(peak->score, peak->freq_bin, peak->time_bin, peak->fft_length) == 0
                              : orvane::CurrentPeakShowable(peak->score);
    if (!showable) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    CopyPeak(field, *peak);
    RaiseFlag(flag);
    client->published |= item;
    return ORVANE_OK;
}

orvane_status SetText(orvane_client* client, char (&field)[80], std::int32_t& flag, Item item, const char* text) {
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    CopyText(field, text);
    RaiseFlag(flag);
    client->published |= item;
    // The step bar shares the status line, which the text's redraw blanks; a reader draws the
    // bar after the texts, so raising it now brings it back in the same tick.
    if ((client->published & kStep) != 0) RaiseFlag(client->record->step_fraction_changed);
    return ORVANE_OK;
}

orvane_status SetFraction(orvane_client* client, float& field, std::int32_t& flag, Item item, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    // Held to the range, as documented; only NaN has no place in it.
    const float held = Fraction(fraction);
    if (!orvane::FractionShowable(held)) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    field = held;
    RaiseFlag(flag);
    client->published |= item;
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

}  // namespace

extern "C" {

const char* orvane_status_text(orvane_status status) {
    switch (status) {
        case ORVANE_OK: return "success";
        case ORVANE_ERR_ARGUMENT: return "a null handle or pointer, an empty row, or a bad record name or flags";
        case ORVANE_ERR_RANGE: return "a value outside what the reader can show";
        case ORVANE_ERR_NAME_TAKEN: return "the record is in use by a running client";
        case ORVANE_ERR_TOO_SMALL: return "an object of that name exists and is smaller than the record";
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
    if (out == nullptr) {
        status = ORVANE_ERR_ARGUMENT;
        text = "no place for the handle: out is NULL";
    } else if ((flags & ~ORVANE_OPEN_KEEP_NAME) != 0) {
        // A flag this version does not know may ask for something it would not do.
        status = ORVANE_ERR_ARGUMENT;
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "unknown flags 0x%X: only ORVANE_OPEN_KEEP_NAME (0x1) is defined",
                      flags & ~ORVANE_OPEN_KEEP_NAME);
        text = buffer;
    } else if (length == 0 || length >= 200 || std::strchr(name, '/') != nullptr ||
               std::strchr(name, '\\') != nullptr) {
        status = ORVANE_ERR_ARGUMENT;
        text = "the record's name must be 1 to 199 characters without slashes";
    } else {
        client = new (std::nothrow) orvane_client;
        if (client == nullptr) {
            status = ORVANE_ERR_MEMORY;
            text = "no memory for the client's handle";
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
    RaiseFlag(client->record->user_info_changed);
    client->published |= kUser;
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
    RaiseFlag(r.data_info_changed);
    client->published |= kDataUnit;
    // The bandwidth, the divisor and the duration have no flag: what shows them is redrawn.
    if ((client->published & kSearch) != 0) RaiseFlag(r.search_params_changed);
    if ((client->published & kBestPeak) != 0) RaiseFlag(r.best_peak_changed);
    if ((client->published & kBestGaussian) != 0) RaiseFlag(r.best_gaussian_changed);
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
    return SetText(client, client->record->status_text_a, client->record->status_text_a_changed, kStatusA, text);
}

orvane_status orvane_set_status_b(orvane_client* client, const char* text) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    client->statusBLast = true;
    return SetText(client, client->record->status_text_b, client->record->status_text_b_changed, kStatusB, text);
}

orvane_status orvane_set_progress(orvane_client* client, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetFraction(client, client->record->progress_fraction, client->record->progress_changed, kProgress,
                       fraction);
}

orvane_status orvane_set_step(orvane_client* client, float fraction) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetFraction(client, client->record->step_fraction, client->record->step_fraction_changed, kStep,
                       fraction);
}

orvane_status orvane_set_cpu_time(orvane_client* client, double seconds) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (!orvane::SecondsShowable(seconds)) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    client->record->cpu_seconds = seconds;
    if (!client->spareCpuTime) RaiseFlag(client->record->cpu_time_changed);
    client->published |= kCpuTime;
    return ORVANE_OK;
}

orvane_status orvane_set_search(orvane_client* client, float driftRate, std::int32_t fftLength) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    if (orvane::SearchFaults(driftRate, fftLength) != 0) return ORVANE_ERR_RANGE;
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    client->record->drift_rate = driftRate;
    client->record->fft_length = fftLength;
    RaiseFlag(client->record->search_params_changed);
    client->published |= kSearch;
    return ORVANE_OK;
}

orvane_status orvane_set_current_peak(orvane_client* client, const orvane_peak* peak) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetPeak(client, peak, client->record->current_peak, client->record->current_peak_changed, kCurrentPeak);
}

orvane_status orvane_set_best_peak(orvane_client* client, const orvane_peak* peak) {
    if (client == nullptr) return ORVANE_ERR_ARGUMENT;
    return SetPeak(client, peak, client->record->best_peak, client->record->best_peak_changed, kBestPeak);
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
    RaiseFlag(client->record->best_gaussian_changed);
    client->published |= kBestGaussian;
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
    RaiseFlag(client->record->message_changed);
    client->published |= kMessage;
    return ORVANE_OK;
}

orvane_status orvane_hide_message(orvane_client* client) {
    if (Enter(client) == nullptr) return ORVANE_ERR_ARGUMENT;
    MessageBlock& m = client->record->message;
    m.message_on = 0;
    std::memset(m.message_line1, 0, sizeof m.message_line1);
    std::memset(m.message_line2, 0, sizeof m.message_line2);
    RaiseFlag(client->record->message_changed);
    client->published |= kMessage;
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

namespace orvane {

void ClearForTakeOver(SharedStatus& record) {
    // Everything but what a reader writes back: the area, its marker and its priority class.
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    std::memset(bytes, 0, offsetof(SharedStatus, graph_area_width));
    const std::size_t from = offsetof(SharedStatus, graph_depth_x);
    std::memset(bytes + from, 0, offsetof(SharedStatus, saver_attached) - from);
}

}  // namespace orvane
