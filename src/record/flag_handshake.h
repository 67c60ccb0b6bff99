// The reader's side of the flag handshake. A raised flag is lowered before its item is read:
// a change the client makes while the item is drawn raises the flag again and is drawn at the
// next tick, where lowering it after the drawing would lose it. Only a reader that serves the
// record lowers flags; the others are told what to draw.
#pragma once

#include "record/record_items.h"
#include "record/shared_status.h"

// Lowers the flags that one drawing of the item answers: its own, and for the progress and
// the CPU time, which share one redraw, both (the progress's first).
void LowerItemFlags(SharedStatus& record, RecordItem item);

// Reads the flags in the order one tick serves them, the items' and then the graph's, lowers
// each raised one at once, and names what was raised: what the tick is to draw.
ItemSet TakeRaisedFlags(SharedStatus& record);

// The same for the graph alone: its frame's flag, then each row's below the row count.
ItemSet TakeRaisedGraphFlags(SharedStatus& record);
