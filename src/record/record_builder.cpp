#include "record/record_builder.h"

#include <algorithm>
#include <cstring>

#include "record/graph_geometry.h"
#include "record/record_items.h"

std::unique_ptr<SharedStatus> MakeZeroRecord() {
    auto record = std::make_unique<SharedStatus>();
    std::memset(record.get(), 0, sizeof(SharedStatus));
    return record;
}

void SetRecordText(char* field, std::size_t fieldSize, std::string_view text, bool terminate) {
    if (fieldSize == 0) return;
    if (terminate) {
        const std::size_t n = std::min(text.size(), fieldSize - 1);
        std::memcpy(field, text.data(), n);
        std::memset(field + n, 0, fieldSize - n);
        return;
    }
    for (std::size_t i = 0; i < fieldSize; ++i) field[i] = text.empty() ? 'X' : text[i % text.size()];
}

RecordBuilder::RecordBuilder() : record_(MakeZeroRecord()) {}

RecordBuilder& RecordBuilder::UserInfo(std::string_view name, std::int32_t unitsCompleted, double totalCpuSeconds) {
    SetRecordText(record_->user_info.user_name, name);
    record_->user_info.units_completed = unitsCompleted;
    record_->user_info.total_cpu_seconds = totalCpuSeconds;
    RaiseItem(*record_, RecordItem::UserInfo);
    return *this;
}

RecordBuilder& RecordBuilder::DataInfo(float raHours, float decDegrees, double recordedJd, std::int32_t dataSource,
                                       double baseFrequencyHz) {
    auto& info = record_->data_info;
    info.ra_hours = raHours;
    info.dec_degrees = decDegrees;
    info.recorded_jd = recordedJd;
    info.data_source = dataSource;
    info.base_frequency_hz = baseFrequencyHz;
    RaiseItem(*record_, RecordItem::DataInfo);
    return *this;
}

RecordBuilder& RecordBuilder::Band(double bandwidthHz, std::int32_t binWrapDivisor, std::uint32_t sampleCount) {
    record_->data_info.bandwidth_hz = bandwidthHz;
    record_->data_info.bin_wrap_divisor = binWrapDivisor;
    record_->data_info.sample_count = sampleCount;
    return *this;
}

RecordBuilder& RecordBuilder::StatusTextA(std::string_view text) {
    SetRecordText(record_->status_text_a, text);
    RaiseItem(*record_, RecordItem::StatusTextA);
    return *this;
}

RecordBuilder& RecordBuilder::StatusTextB(std::string_view text) {
    SetRecordText(record_->status_text_b, text);
    RaiseItem(*record_, RecordItem::StatusTextB);
    return *this;
}

RecordBuilder& RecordBuilder::Progress(float fraction) {
    record_->progress_fraction = fraction;
    RaiseItem(*record_, RecordItem::Progress);
    return *this;
}

RecordBuilder& RecordBuilder::CpuTime(double seconds) {
    record_->cpu_seconds = seconds;
    RaiseItem(*record_, RecordItem::CpuTime);
    return *this;
}

RecordBuilder& RecordBuilder::StepFraction(float fraction) {
    record_->step_fraction = fraction;
    RaiseItem(*record_, RecordItem::StepFraction);
    return *this;
}

RecordBuilder& RecordBuilder::SearchParams(float driftRate, std::int32_t fftLength) {
    record_->drift_rate = driftRate;
    record_->fft_length = fftLength;
    RaiseItem(*record_, RecordItem::SearchParams);
    return *this;
}

RecordBuilder& RecordBuilder::CurrentPeak(const PeakSummary& peak) {
    record_->current_peak = peak;
    RaiseItem(*record_, RecordItem::CurrentPeak);
    return *this;
}

RecordBuilder& RecordBuilder::BestPeak(const PeakSummary& peak) {
    record_->best_peak = peak;
    RaiseItem(*record_, RecordItem::BestPeak);
    return *this;
}

RecordBuilder& RecordBuilder::BestGaussian(const GaussianSummary& gaussian) {
    record_->best_gaussian = gaussian;
    RaiseItem(*record_, RecordItem::BestGaussian);
    return *this;
}

RecordBuilder& RecordBuilder::Message(bool on, std::string_view line1, std::string_view line2) {
    record_->message.message_on = on ? 1 : 0;
    SetRecordText(record_->message.message_line1, line1);
    SetRecordText(record_->message.message_line2, line2);
    RaiseItem(*record_, RecordItem::Message);
    return *this;
}

RecordBuilder& RecordBuilder::GraphGeometry(std::int32_t depthX, std::int32_t depthY, bool mirrored,
                                            std::int32_t peakHeight, std::int32_t rowCount, std::int32_t binCount) {
    orvane::WriteGeometry(*record_, {depthX, depthY, mirrored ? 1 : 0, peakHeight, rowCount, binCount});
    return *this;
}

RecordBuilder& RecordBuilder::FrameChanged() {
    RaiseItem(*record_, RecordItem::GraphFrame);
    return *this;
}

RecordBuilder& RecordBuilder::Row(std::int32_t row, const std::vector<std::uint8_t>& values) {
    auto& target = record_->spectrum_rows[row];
    const std::size_t n = std::min<std::size_t>(values.size(), kMaxSpectrumBins);
    std::copy_n(values.begin(), n, target.values);
    RaiseFlag(target.changed);
    return *this;
}

RecordBuilder& RecordBuilder::RowFill(std::int32_t row, std::uint8_t value) {
    auto& target = record_->spectrum_rows[row];
    std::fill(std::begin(target.values), std::end(target.values), value);
    RaiseFlag(target.changed);
    return *this;
}
