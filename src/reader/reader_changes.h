// What a passive reader with nobody serving the record draws. Nobody lowers the flags then, so
// a raised flag only says "raised at some time", and a flag raised again over the same bytes
// cannot be seen at all. What can be seen is what changed since this reader last drew, and a
// sole reader's picture is made the same way from it when the reader keeps to how items lie on
// the screen:
// - an item is drawn when its flag is raised and what it is drawn from changed (its own bytes,
//   or the header its text reads), or it was never drawn;
// - an item whose redraw wipes another's pixels brings the other along, when that one's flag
//   is raised: the frame clears the rows, a status text blanks the step bar's line, the
//   message taken down blanks the whole graph;
// - an item drawn over what lies under it without clearing its own old pixels (a spectrum
//   row) is drawn on fresh ground: its ground (the frame), when raised, is drawn first, and
//   with it, by the rule above, every raised row;
// - the message that shows lies over the graph: it is drawn after a graph drawn in the same
//   tick, and while it stays up unchanged the graph waits under it, as a client holds it back.
// A sole reader shows the same because a client raises together what lies together (the
// library does so for every call); each rule above follows from an item's pixels, not from a
// particular call.
#pragma once

#include <vector>

#include "record/record_items.h"
#include "record/shared_status.h"

// One passive tick's drawing, in the order a reader draws it.
struct PassiveDraw {
    ItemSet items;  // drawn first, in the update's order
    ItemSet over;   // then these, over the graph just drawn (the message that shows)
};

class SeenRecord {
public:
    SeenRecord();
    // Forgets everything: every flagged item counts as changed.
    void Forget();
    // What to draw now; what it is drawn from is remembered.
    PassiveDraw Changed(const SharedStatus& record);

private:
    std::vector<unsigned char> bytes_;  // the record's bytes as last drawn from
    ItemSet known_;                     // items whose bytes are remembered
};
