#pragma once

#include <string>

#include "snapshot_options.h"

// Loads or attaches to the record, builds the status display as the saver does at attach,
// runs the frame updates and writes the picture (and the record, when asked). Returns 0, or
// non-zero with a one-line reason in `error`.
int RunSnapshot(const SnapshotOptions& options, std::string& error);
