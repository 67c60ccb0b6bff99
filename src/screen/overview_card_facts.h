// What one card of the overview shows of a client: taken from the client's record once, as
// texts, pixel widths and segment masks, so that a card is drawn from these alone and two
// cards showing the same thing compare equal (the board redraws a card only when they differ).
//
// The record may be the live mapping: every field is read whole and once, texts are copied
// and ended inside their field, counts are held to what the record holds, and no value from it
// is divided by or converted to an integer unchecked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "record/shared_status.h"

// Whether the client is still publishing: its record changes, has not changed for a while, or
// has gone.
enum class CardState : std::uint8_t { Live, Stale, Ended };

// The pixels of the card's spectrum trace across: one column a pixel, each the tallest sample
// of the bins that fall on it.
inline constexpr std::int32_t kCardTraceColumns = 448;
// The longest text a card keeps of a name, a label or a status text.
inline constexpr std::size_t kCardTextLimit = 79;
// The overall bar's width inside its outline, at scale 1.
inline constexpr std::int32_t kCardBarWidth = 360;

struct CardFacts {
    std::string title;   // the label, or the record's name when there is no label
    std::string name;    // the record's name under a label; empty when the title is the name
    std::string status;  // status text A
    std::int32_t progressWidth = 0;  // the overall bar's filled pixels, 0 .. kCardBarWidth
    std::string percent;             // overall progress, as the bar shows it: "42.1%"
    std::string cpuTime;             // "CPU time: 1 hr 02 min 03.4 sec"
    std::uint16_t peakSegments = 0;      // lit segments of the best peak's meter, bit i for segment i
    std::uint16_t gaussianSegments = 0;  // likewise of the best Gaussian's
    std::string peakScore;               // the scores beside the meters
    std::string gaussianScore;
    // The newest spectrum row: none when traceBinCount is 0. Column c shows sample traceValues[c]
    // of bin traceBins[c]; the graph's peak height scales the heights and the colours.
    std::int32_t traceBinCount = 0;
    std::int32_t tracePeakHeight = 0;
    std::array<std::uint8_t, kCardTraceColumns> traceValues{};
    std::array<std::uint16_t, kCardTraceColumns> traceBins{};
    CardState state = CardState::Live;

    bool operator==(const CardFacts&) const = default;
};

// The facts of the record `record` published under `name`, labelled `label` (empty: none).
// Names and labels are held to kCardTextLimit bytes with control bytes shown as '?'.
// Taking them costs a few microseconds (four formatted numbers and the trace): a reader takes
// them again when its session for the client drew something or the label or state changed,
// so that a page of quiet clients costs no more than the board's comparisons.
CardFacts CardFactsFor(const SharedStatus& record, std::string_view name, std::string_view label,
                       CardState state = CardState::Live);

// The facts of a whole object of `size` bytes holding a record, as a reader maps it or a tool
// reads it from a file (`bytes` need not be aligned): the label from the object's extension
// when it has one. An object shorter than a record counts as a record of zeros past its end.
CardFacts CardFactsOfObject(const unsigned char* bytes, std::size_t size, std::string_view name,
                            CardState state = CardState::Live);

// Live while the record changes; Stale once it has not changed for `staleMinutes` (held to the
// setting's 1 .. 1440); Ended once it has gone.
CardState CardStateFor(bool recordPresent, std::uint64_t secondsSinceChange, std::int32_t staleMinutes);
