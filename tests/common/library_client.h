// A client on a record of the test's own name, opened through the client library: a test's
// record is made the one way every client's is (exclusive, mode 0600, zeroed, a dead client's
// taken over, locked while it lives). Native only: the Windows tests make their objects with
// the Win32 calls.
#pragma once

#include <sys/mman.h>

#include <string>

#include "orvane/client.h"
#include "record/shared_status.h"

struct LibraryClient {
    // `fresh`: remove what an earlier run left under the name first.
    explicit LibraryClient(std::string recordName, unsigned flags = 0, bool fresh = true) : name(std::move(recordName)) {
        if (fresh) shm_unlink(("/" + name).c_str());
        status = orvane_open(name.c_str(), flags, &handle, message, sizeof message);
    }
    // The record and its readers' board go, however the test ends.
    ~LibraryClient() {
        Close();
        shm_unlink(("/" + name).c_str());
        shm_unlink(("/" + name + ".readers").c_str());
    }
    LibraryClient(const LibraryClient&) = delete;
    LibraryClient& operator=(const LibraryClient&) = delete;

    SharedStatus& Record() { return *static_cast<SharedStatus*>(orvane_raw_record(handle, nullptr)); }
    // The client ends (and, unless it keeps its name, removes it).
    void Close() {
        orvane_close(handle);
        handle = nullptr;
    }

    std::string name;
    orvane_client* handle = nullptr;
    orvane_status status = ORVANE_ERR_SYSTEM;
    char message[256] = {};
};
