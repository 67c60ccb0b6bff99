// Builds records for tests and tools so that a test reads as the situation it sets up:
//   auto record = RecordBuilder().StatusTextA("Searching").ProgressFraction(0.5f).Build();
// Every setter writes the fields first and raises the item's flag last, as the client does.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "record/shared_status.h"

// A zeroed record on the heap (it is 124 KiB).
std::unique_ptr<SharedStatus> MakeZeroRecord();

// Copies text into a fixed field, cut to fit and terminated; `terminate` false fills the
// field with the text repeated and no terminator, as a careless client might.
void SetRecordText(char* field, std::size_t fieldSize, std::string_view text, bool terminate = true);
template <std::size_t N>
void SetRecordText(char (&field)[N], std::string_view text, bool terminate = true) {
    SetRecordText(field, N, text, terminate);
}

class RecordBuilder {
public:
    RecordBuilder();

    RecordBuilder& UserInfo(std::string_view name, std::int32_t unitsCompleted, double totalCpuSeconds);
    RecordBuilder& DataInfo(float raHours, float decDegrees, double recordedJd, std::int32_t dataSource,
                            double baseFrequencyHz);
    RecordBuilder& Band(double bandwidthHz, std::int32_t binWrapDivisor, std::uint32_t sampleCount);
    RecordBuilder& StatusTextA(std::string_view text);
    RecordBuilder& StatusTextB(std::string_view text);
    RecordBuilder& Progress(float fraction);
    RecordBuilder& CpuTime(double seconds);
    RecordBuilder& StepFraction(float fraction);
    RecordBuilder& SearchParams(float driftRate, std::int32_t fftLength);
    RecordBuilder& CurrentPeak(const PeakSummary& peak);
    RecordBuilder& BestPeak(const PeakSummary& peak);
    RecordBuilder& BestGaussian(const GaussianSummary& gaussian);
    RecordBuilder& Message(bool on, std::string_view line1, std::string_view line2);
    RecordBuilder& GraphGeometry(std::int32_t depthX, std::int32_t depthY, bool mirrored, std::int32_t peakHeight,
                                 std::int32_t rowCount, std::int32_t binCount);
    RecordBuilder& FrameChanged();
    RecordBuilder& Row(std::int32_t row, const std::vector<std::uint8_t>& values);
    RecordBuilder& RowFill(std::int32_t row, std::uint8_t value);

    SharedStatus& Record() { return *record_; }
    std::unique_ptr<SharedStatus> Build() { return std::move(record_); }

private:
    std::unique_ptr<SharedStatus> record_;
};
