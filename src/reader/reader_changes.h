// What a passive reader with nobody serving the record draws. Nobody lowers the flags then, so
// a raised flag only says "changed at some time": an item is drawn when its flag is raised and
// what it is drawn from differs from what this reader last drew it from (or it was never drawn).
// A frame drawn afresh clears the rows, and a message taken down blanks the graph, so with
// either every flagged row (and, after the message, the flagged frame) is drawn again too.
#pragma once

#include <vector>

#include "shared/record_items.h"
#include "shared/shared_status.h"

class SeenRecord {
public:
    SeenRecord();
    // Forgets everything: every flagged item counts as changed.
    void Forget();
    // The items to draw now; what they are drawn from is remembered.
    ItemSet Changed(const SharedStatus& record);

private:
    std::vector<unsigned char> bytes_;  // the record's bytes as last drawn from
    ItemSet known_;                     // items whose bytes are remembered
};
