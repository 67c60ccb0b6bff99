// The values a careless or broken client may leave in the record, named once for the tools
// and tests that play them.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr float kFloatNaN = std::numeric_limits<float>::quiet_NaN();
inline constexpr float kFloatInf = std::numeric_limits<float>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
