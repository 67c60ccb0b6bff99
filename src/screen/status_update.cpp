// The per-tick redraw: the items of the record named in a set, each drawn into its panel.
//
// The client rewrites the record whenever it likes, without a lock. So each item's flag is
// lowered before the item is read (record/flag_handshake.h), by whoever serves the record:
// a change that the client makes while we draw raises the flag again and is drawn at the next
// tick. Blocks and texts are copied out first and formatted from the copy, so that every line
// of one item comes from the same values and no text is measured in one state and drawn in
// another.
#include <cstdio>
#include <cstring>

#include "screen/formatting.h"
#include "screen/item_drawing.h"
#include "screen/status_display.h"
#include "record/flag_handshake.h"
#include "record/record_items.h"

namespace {

constexpr const char kDriftRateFormat[] = "Doppler drift rate: %6.4f Hz/sec";
constexpr const char kResolutionFormat[] = "Frequency resolution: %5f Hz";
constexpr const char kPositionFormat[] = "(%5.1f Hz at %5.2f seconds, drift rate %5.3f Hz/sec)";

constexpr std::int32_t kStatusLine = 1;
constexpr std::int32_t kDriftRateLine = 2;
constexpr std::int32_t kResolutionLine = 3;
constexpr std::int32_t kBestPeakLine = 4;
constexpr std::int32_t kBestPeakPositionLine = 5;
constexpr std::int32_t kBestGaussianLine = 6;
constexpr std::int32_t kBestGaussianPositionLine = 7;
constexpr std::int32_t kOverallLine = 10;

// The first line of the message sits this far above the panel's middle, the second on it.
constexpr std::int32_t kMessageLineOffset = 30;

constexpr std::int32_t kArecibo = 2;

// Copies a text field out of the record and ends it inside the field: a client that left it
// unterminated gets its field's length less one character, never a read past the field.
template <std::size_t N>
void CopyFieldText(char (&copy)[N], const char (&field)[N]) {
    std::memcpy(copy, field, N);
    copy[N - 1] = '\0';
}

// Where a peak or a Gaussian lies, from the copy the caller took: the line below its power.
template <typename Summary>
void ShowPosition(TextPanel& panel, std::int32_t lineIndex, const DataInfo* info, const Summary& found) {
    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, kPositionFormat, BinToFrequencyOffset(info, found.freq_bin, found.fft_length),
                  BinToSeconds(info, found.time_bin, found.fft_length), static_cast<double>(found.drift_rate));
    panel.SetLine(lineIndex, line);
}

}  // namespace


ItemSet StatusDisplay::Draw(const SharedStatus& from, const ItemSet& items) {
    frameChanged = 0;
    ItemSet drawn;
    for (const ItemDrawing& drawing : kItemDrawing) {
        if (drawing.show == nullptr || !items.Has(drawing.item)) continue;
        (this->*drawing.show)(from);
        drawn.Add(drawing.item);
    }
    // The graph is always asked: its geometry has no flag and its rows have their own.
    drawn.Add(UpdateSpectrumGraph(from, items));
    return drawn;
}

std::int32_t StatusDisplay::Update() {
    Draw(*record_, TakeRaisedFlags(*record_));
    return frameChanged;
}

void StatusDisplay::Serve(RecordItem item) {
    LowerItemFlags(*record_, item);
    (this->*kItemDrawing[ItemSet::Bit(item)].show)(*record_);
}

void StatusDisplay::ShowStatusTextA() { Serve(RecordItem::StatusTextA); }
void StatusDisplay::ShowStatusTextB() { Serve(RecordItem::StatusTextB); }
void StatusDisplay::ShowUserInfo() { Serve(RecordItem::UserInfo); }
void StatusDisplay::ShowDataInfo() { Serve(RecordItem::DataInfo); }
void StatusDisplay::ShowCpuTime() { Serve(RecordItem::CpuTime); }
void StatusDisplay::ShowProgress() { Serve(RecordItem::Progress); }
void StatusDisplay::ShowStepProgress() { Serve(RecordItem::StepFraction); }
void StatusDisplay::ShowSearchParams() { Serve(RecordItem::SearchParams); }
void StatusDisplay::ShowCurrentPeak() { Serve(RecordItem::CurrentPeak); }
void StatusDisplay::ShowBestPeak() { Serve(RecordItem::BestPeak); }
void StatusDisplay::ShowBestGaussian() { Serve(RecordItem::BestGaussian); }
void StatusDisplay::ShowMessage() { Serve(RecordItem::Message); }

void StatusDisplay::ShowStatusTextA(const SharedStatus& from) {
    char text[sizeof from.status_text_a];
    CopyFieldText(text, from.status_text_a);
    analysisPanel->SetLine(kStatusLine, text);
    frameChanged = 1;
}

void StatusDisplay::ShowStatusTextB(const SharedStatus& from) {
    char text[sizeof from.status_text_b];
    CopyFieldText(text, from.status_text_b);
    analysisPanel->SetLine(kStatusLine, text);
    frameChanged = 1;
}

void StatusDisplay::ShowUserInfo(const SharedStatus& from) {
    UserInfo info;
    std::memcpy(&info, &from.user_info, sizeof info);

    // The name field holds more than a line: a long name is cut where "Name: " and it fill
    // the line's buffer.
    char name[kLineBufferSize - (sizeof "Name: " - 1)];
    static_assert(sizeof name <= sizeof info.user_name);
    std::memcpy(name, info.user_name, sizeof name - 1);
    name[sizeof name - 1] = '\0';
    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, "Name: %s", name);
    userInfoPanel->SetLine(1, line);
    std::snprintf(line, sizeof line, "Data units completed: %d", info.units_completed);
    userInfoPanel->SetLine(2, line);
    std::snprintf(line, sizeof line, "Total computer time: %s", FormatDuration(info.total_cpu_seconds));
    userInfoPanel->SetLine(3, line);
    frameChanged = 1;
}

void StatusDisplay::ShowDataInfo(const SharedStatus& from) {
    DataInfo info;
    std::memcpy(&info, &from.data_info, sizeof info);

    char line[kLineBufferSize];
    char rightAscension[64];
    char declination[64];
    FormatRightAscension(info.ra_hours, rightAscension, sizeof rightAscension);
    FormatDeclination(info.dec_degrees, declination, sizeof declination);
    std::snprintf(line, sizeof line, "From: %s, %s", rightAscension, declination);
    dataInfoPanel->SetLine(1, line);

    // The calendar text covers a signed 32-bit count of seconds: the low 32 bits are taken
    // (two's complement), so a date outside 1901..2038 shows wrapped into that span.
    const auto unixTime = static_cast<std::uint32_t>(JulianDateToUnixTime(info.recorded_jd));
    char calendar[64];
    FormatUtcCalendar(static_cast<std::int32_t>(unixTime), calendar, sizeof calendar);
    std::snprintf(line, sizeof line, "Recorded on: %s", calendar);
    CutAtNewline(line);
    const std::size_t used = std::strlen(line);
    std::snprintf(line + used, sizeof line - used, " GMT");
    dataInfoPanel->SetLine(2, line);

    std::snprintf(line, sizeof line, "Source: %s",
                  info.data_source == kArecibo ? "Arecibo Radio Observatory" : "Test Data");
    dataInfoPanel->SetLine(3, line);

    std::snprintf(line, sizeof line, "Base Frequency: %10.9f GHz", info.base_frequency_hz * 1e-9);
    dataInfoPanel->SetLine(4, line);
    frameChanged = 1;
}

// One redraw serves both flags: the box, the percentage and the time share line 10.
void StatusDisplay::ShowCpuTime(const SharedStatus& from) { ShowProgress(from); }

void StatusDisplay::ShowProgress(const SharedStatus& from) {
    const float fraction = ReadOnce(from.progress_fraction);
    const double cpuSeconds = ReadOnce(from.cpu_seconds);

    // The box holds any fraction, NaN included, to what it can draw.
    progressBox->Update(fraction);

    // A NaN fraction prints as "nan" here: a text, and the honest one.
    char overall[kLineBufferSize];
    std::snprintf(overall, sizeof overall, "Overall: %6.3f%% done", static_cast<double>(fraction) * 100.0);
    char cpuTime[kLineBufferSize];
    std::snprintf(cpuTime, sizeof cpuTime, "CPU time: %s", FormatDuration(cpuSeconds));
    analysisPanel->SetLinePair(kOverallLine, overall, cpuTime);
    frameChanged = 1;
}

void StatusDisplay::ShowStepProgress(const SharedStatus& from) {
    progressBar->Show(ReadOnce(from.step_fraction));
    frameChanged = 1;
}

void StatusDisplay::ShowSearchParams(const SharedStatus& from) {
    const float driftRate = ReadOnce(from.drift_rate);
    const std::int32_t fftLength = ReadOnce(from.fft_length);

    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, kDriftRateFormat, static_cast<double>(driftRate));
    analysisPanel->SetLine(kDriftRateLine, line);
    std::snprintf(line, sizeof line, kResolutionFormat, FrequencyResolution(&from.data_info, fftLength));
    analysisPanel->SetLine(kResolutionLine, line);
    frameChanged = 1;
}

void StatusDisplay::ShowCurrentPeak(const SharedStatus& from) {
    PeakSummary peak;
    std::memcpy(&peak, &from.current_peak, sizeof peak);
    peakMeter->ShowLevel(peak.score);
    frameChanged = 1;
}

void StatusDisplay::ShowBestPeak(const SharedStatus& from) {
    PeakSummary peak;
    std::memcpy(&peak, &from.best_peak, sizeof peak);

    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, "Strongest Peak: power %5.2f", static_cast<double>(peak.power));
    analysisPanel->SetLine(kBestPeakLine, line);
    // The meter shares line 4, which SetLine has just blanked.
    peakMeter->MarkPeak(peak.score);
    ShowPosition(*analysisPanel, kBestPeakPositionLine, &from.data_info, peak);
    frameChanged = 1;
}

void StatusDisplay::ShowBestGaussian(const SharedStatus& from) {
    GaussianSummary gaussian;
    std::memcpy(&gaussian, &from.best_gaussian, sizeof gaussian);

    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, "Strongest Gaussian: power %5.2f, fit %5.3f", static_cast<double>(gaussian.power),
                  static_cast<double>(gaussian.fit));
    analysisPanel->SetLine(kBestGaussianLine, line);
    const float level = gaussian.score * kGaussianMeterScale;
    gaussianMeter->ShowLevel(level);
    ShowPosition(*analysisPanel, kBestGaussianPositionLine, &from.data_info, gaussian);
    frameChanged = 1;
}

void StatusDisplay::ShowMessage(const SharedStatus& from) {
    MessageBlock message;
    std::memcpy(&message, &from.message, sizeof message);
    message.message_line1[sizeof message.message_line1 - 1] = '\0';
    message.message_line2[sizeof message.message_line2 - 1] = '\0';

    if (message.message_on != 0) {
        // Drawn over the graph as it stands: only the text cells are painted.
        canvas->UseFont(*bannerFont);
        const std::int32_t halfWidth = graphPanel->width / 2;
        const std::int32_t halfHeight = graphPanel->height / 2;
        const std::int32_t width1 = canvas->MeasureText(message.message_line1).width;
        graphPanel->PutText(halfWidth - width1 / 2, halfHeight - kMessageLineOffset, message.message_line1);
        const std::int32_t width2 = canvas->MeasureText(message.message_line2).width;
        graphPanel->PutText(halfWidth - width2 / 2, halfHeight, message.message_line2);
        canvas->UseFont(*normalFont);
    } else {
        canvas->FillBox(Rect{graphPanel->left, graphPanel->top, graphPanel->right, graphPanel->bottom}, Black);
    }
    frameChanged = 1;
}
