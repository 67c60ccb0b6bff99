// The record that the analysis client publishes in shared memory and the saver reads.
//
// Both programs are built separately and agree only on these bytes: every offset below is
// part of the format. The static_asserts at the end hold the layout to it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

inline constexpr const char kSharedStatusName[] = "orvane_share";
inline constexpr std::size_t kSharedStatusSize = 126856;  // ends with saver_priority_class
inline constexpr int kMaxSpectrumRows = 203;
inline constexpr int kMaxSpectrumBins = 600;

struct PeakSummary {
    float power;
    float score;  // 1.0 fills the peak meter
    std::int32_t freq_bin;
    std::int32_t time_bin;
    float drift_rate;
    std::int32_t fft_length;
};

struct GaussianSummary {
    float score;  // 20.0 fills the Gaussian meter
    float power;
    float fit;
    std::int32_t freq_bin;
    std::int32_t time_bin;
    float drift_rate;
    std::int32_t fft_length;
};

struct SpectrumRow {
    std::uint8_t values[kMaxSpectrumBins];  // sample heights in pixels
    std::int32_t changed;
};

struct UserInfo {
    char client_reserved0[72];
    char user_name[268];
    std::int32_t units_completed;
    double total_cpu_seconds;
    char client_reserved1[8];
};

struct DataInfo {
    char client_reserved0[12];
    float ra_hours;
    float dec_degrees;
    char client_reserved1[12];
    double recorded_jd;
    char client_reserved2[8];
    double base_frequency_hz;
    double bandwidth_hz;
    char client_reserved3[4];
    std::int32_t bin_wrap_divisor;
    char client_reserved4[4];
    std::int32_t data_source;
    std::uint32_t sample_count;
    char client_reserved5[2588];
};

// The message block is copied as one piece (message_on through message_line2).
struct MessageBlock {
    std::int32_t message_on;
    char message_line1[128];
    char message_line2[128];
};

struct SharedStatus {
    UserInfo user_info;
    std::int32_t user_info_changed;
    char padding0[4];
    DataInfo data_info;
    std::int32_t data_info_changed;
    char status_text_a[80];
    std::int32_t status_text_a_changed;
    char status_text_b[80];
    std::int32_t status_text_b_changed;
    float progress_fraction;
    std::int32_t progress_changed;
    float step_fraction;
    std::int32_t step_fraction_changed;
    char padding1[4];
    double cpu_seconds;
    std::int32_t cpu_time_changed;
    float drift_rate;
    std::int32_t fft_length;
    std::int32_t search_params_changed;
    PeakSummary current_peak;
    std::int32_t current_peak_changed;
    PeakSummary best_peak;
    std::int32_t best_peak_changed;
    GaussianSummary best_gaussian;
    std::int32_t best_gaussian_changed;
    MessageBlock message;
    std::int32_t message_changed;
    std::int32_t graph_area_width;
    std::int32_t graph_area_height;
    std::int32_t graph_depth_x;
    std::int32_t graph_depth_y;
    std::int32_t graph_mirrored;
    std::int32_t graph_peak_height;
    std::int32_t graph_frame_changed;
    std::int32_t graph_row_count;
    std::int32_t graph_bin_count;
    SpectrumRow spectrum_rows[kMaxSpectrumRows];
    char client_reserved[592];
    std::int32_t saver_attached;
    std::int32_t saver_priority_class;
};

// Flags and the saver's own fields are shared with another process that writes without a
// lock: every access is a whole aligned 32-bit atomic, acquire on read, release on write.
inline std::int32_t ReadFlag(const std::int32_t& flag) {
    return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(flag)).load(std::memory_order_acquire);
}

inline void WriteFlag(std::int32_t& flag, std::int32_t value) {
    std::atomic_ref<std::int32_t>(flag).store(value, std::memory_order_release);
}

inline void LowerFlag(std::int32_t& flag) { WriteFlag(flag, 0); }

// The client's side of the handshake: fields first, then the flag.
inline void RaiseFlag(std::int32_t& flag) { WriteFlag(flag, 1); }

static_assert(sizeof(PeakSummary) == 24);
static_assert(sizeof(GaussianSummary) == 28);
static_assert(sizeof(SpectrumRow) == 604);
static_assert(offsetof(SpectrumRow, changed) == 600);
static_assert(sizeof(UserInfo) == 360);
static_assert(sizeof(DataInfo) == 2672);
static_assert(sizeof(MessageBlock) == 260);
static_assert(alignof(std::int32_t) >= std::atomic_ref<std::int32_t>::required_alignment);

#define ORVANE_AT(field, offset) static_assert(offsetof(SharedStatus, field) == (offset), #field)
ORVANE_AT(user_info, 0);
ORVANE_AT(user_info.user_name, 72);
ORVANE_AT(user_info.units_completed, 340);
ORVANE_AT(user_info.total_cpu_seconds, 344);
ORVANE_AT(user_info_changed, 360);
ORVANE_AT(data_info, 368);
ORVANE_AT(data_info.ra_hours, 380);
ORVANE_AT(data_info.dec_degrees, 384);
ORVANE_AT(data_info.recorded_jd, 400);
ORVANE_AT(data_info.base_frequency_hz, 416);
ORVANE_AT(data_info.bandwidth_hz, 424);
ORVANE_AT(data_info.bin_wrap_divisor, 436);
ORVANE_AT(data_info.data_source, 444);
ORVANE_AT(data_info.sample_count, 448);
ORVANE_AT(data_info_changed, 3040);
ORVANE_AT(status_text_a, 3044);
ORVANE_AT(status_text_a_changed, 3124);
ORVANE_AT(status_text_b, 3128);
ORVANE_AT(status_text_b_changed, 3208);
ORVANE_AT(progress_fraction, 3212);
ORVANE_AT(progress_changed, 3216);
ORVANE_AT(step_fraction, 3220);
ORVANE_AT(step_fraction_changed, 3224);
ORVANE_AT(cpu_seconds, 3232);
ORVANE_AT(cpu_time_changed, 3240);
ORVANE_AT(drift_rate, 3244);
ORVANE_AT(fft_length, 3248);
ORVANE_AT(search_params_changed, 3252);
ORVANE_AT(current_peak, 3256);
ORVANE_AT(current_peak_changed, 3280);
ORVANE_AT(best_peak, 3284);
ORVANE_AT(best_peak_changed, 3308);
ORVANE_AT(best_gaussian, 3312);
ORVANE_AT(best_gaussian_changed, 3340);
ORVANE_AT(message.message_on, 3344);
ORVANE_AT(message.message_line1, 3348);
ORVANE_AT(message.message_line2, 3476);
ORVANE_AT(message_changed, 3604);
ORVANE_AT(graph_area_width, 3608);
ORVANE_AT(graph_area_height, 3612);
ORVANE_AT(graph_depth_x, 3616);
ORVANE_AT(graph_depth_y, 3620);
ORVANE_AT(graph_mirrored, 3624);
ORVANE_AT(graph_peak_height, 3628);
ORVANE_AT(graph_frame_changed, 3632);
ORVANE_AT(graph_row_count, 3636);
ORVANE_AT(graph_bin_count, 3640);
ORVANE_AT(spectrum_rows, 3644);
ORVANE_AT(spectrum_rows[1], 3644 + 604);
ORVANE_AT(spectrum_rows[0].changed, 4244);
ORVANE_AT(spectrum_rows[kMaxSpectrumRows - 1], 3644 + 604 * (kMaxSpectrumRows - 1));
ORVANE_AT(saver_attached, 126848);
ORVANE_AT(saver_priority_class, 126852);
#undef ORVANE_AT
static_assert(sizeof(SharedStatus) == kSharedStatusSize);
