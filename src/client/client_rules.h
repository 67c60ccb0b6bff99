// A client's handle and the rules that keep every reader's screen whole: what comes up again
// when a reader attaches or offers another area, the graph written together with its flags,
// and the raises that put back what a reader drew in an unlucky order. The C interface
// (client.cpp) writes each item's values and hands the rest to these.
#pragma once

#include <cstdint>

#include "client_store.h"
#include "record/graph_geometry.h"
#include "record/record_items.h"

struct orvane_client {
    orvane::ClientStore store;
    SharedStatus* record = nullptr;
    bool keepName = false;

    ItemSet published;       // items set at least once
    unsigned events = 0;     // not yet handed out by orvane_poll
    std::int32_t lastAttached = 0;
    std::int32_t lastAreaWidth = 0;
    std::int32_t lastAreaHeight = 0;

    bool graphSet = false;
    bool geometryWritten = false;  // the record holds `geometry` and its cleared rows
    bool frameWatched = false;     // the frame raised last may still be waiting for a reader
    // The waterfall as published, row 0 the oldest; the record gets it with the flags.
    std::uint8_t rows[kMaxSpectrumRows][kMaxSpectrumBins] = {};
    std::int32_t wantedBins = 0;
    std::int32_t wantedRows = 0;
    bool wantedMirrored = false;
    orvane::Geometry geometry;

    bool statusBLast = false;
    bool spareCpuTime = false;  // the CPU time's flag belongs to another program
    bool messageOn = false;
    bool messageRepeat = false;  // the message may be wiped by a frame raised before it

    // The item's values are in the record: its flag goes up.
    void Publish(RecordItem item);
    // The item's flag goes up again if the item was ever set: what it shows has changed.
    void RaiseIfPublished(RecordItem item);

    // The graph is written into the record only here, values and flags together.
    void RaiseGraph();
    // The graph raised while the message shows, for what must not wait until it goes.
    void RaiseGraphUnderMessage();
    // What a reader will still draw of the graph.
    bool GraphPending() const;
    // The record keeps the old geometry until the graph is raised (RaiseGraph writes it).
    void ApplyGeometry(const orvane::Geometry& g);

    // Looks at what readers wrote since the last call and keeps their screens whole.
    void Look();

private:
    void WatchFrame();
    void WatchStatusLine();
    void RaiseAll();
};
