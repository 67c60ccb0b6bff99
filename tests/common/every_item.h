// A record with every item a client publishes, each inside its rules, for the tests that need
// a full screen; what a test is about is given in the values, the rest stays as here.
#pragma once

#include <cstdint>
#include <string_view>

#include "record/record_builder.h"

struct EveryItemValues {
    std::string_view user = "Ada";
    double recordedJd = 2440588.5;
    double bandwidthHz = 8.0;
    std::int32_t binWrapDivisor = 2;
    std::int32_t fftLength = 8;
    // The library does not publish these two on its own: a client that never set them leaves
    // them empty and unraised.
    std::string_view statusTextB = "Computing Gaussians";
    bool message = true;
};

RecordBuilder EveryItem(const EveryItemValues& values = {});
