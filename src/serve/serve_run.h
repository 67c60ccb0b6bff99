// orvane-serve from its options to its end, the same on every platform: each main says where
// the header image is looked for, how a stop request reaches the server, and how the clients
// are let go once the server has ended.
#pragma once

#include <functional>

#include "http_server.h"
#include "serve_options.h"
#include "served_clients.h"

struct ServePlatform {
    // FindHeaderImage's two places, used when the command line names no header image.
    const char* besideProgram = "";
    const char* dataDir = "";
    // Called once the server listens, before it runs: arranges that the platform's stop
    // request ends server.Run.
    std::function<void(HttpServer& server, ServedClients& clients)> stopOn;
    // Called once server.Run has returned.
    std::function<void(ServedClients& clients)> ended;
};

// Returns the program's exit status.
int RunServe(const ServeOptions& options, const ServePlatform& platform);
