// A believable record of a work unit in progress: what the demo shows before a client runs.
#pragma once

#include <cstdint>

#include "record/shared_status.h"

// Fills every item of the record and raises every flag, with graph geometry that fits the
// graph area the saver offers (642 x 185 on the standard screen).
void FillDemoRecord(SharedStatus& record, std::uint32_t seed = 1);
