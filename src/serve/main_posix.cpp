// orvane-serve on Linux: the header image found beside the installed program, and SIGTERM or
// SIGINT ending the server.
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <cstdio>

#include "http_server.h"
#include "reader/header_image.h"
#include "serve_options.h"
#include "status_service.h"

#ifndef ORVANE_DATA_DIR
#define ORVANE_DATA_DIR ""
#endif

namespace {

// Whether main has finished its own ending; the signal's thread ends the process itself when
// it has not in time. Never destroyed: that thread may still be waking on them as main returns.
struct Ending {
    std::mutex mutex;
    std::condition_variable ended;
    bool mainDone = false;
};
Ending& TheEnding() {
    static Ending* const ending = new Ending;
    return *ending;
}

}  // namespace

int main(int argc, char** argv) {
    ServeOptions options;
    if (const int status = ReadServeCommandLine(argc, argv, options); status >= 0) return status;
    std::string error;
    // SIGTERM and SIGINT are taken by a thread of their own, which ends the server: blocked
    // here, before any thread starts, so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // <prefix>/bin/orvane-serve -> <prefix>/share/orvane
    StatusService service(options.recordName, options.headerImage.empty() ? FindHeaderImage("../share/orvane/", ORVANE_DATA_DIR)
                                                                          : options.headerImage);
    service.Start();
    const std::string token = options.token;
    HttpServer server([&service, token](const HttpRequest& request) { return Route(request, service, token); });
    if (!server.Listen(options.host, options.port, error)) {
        std::fprintf(stderr, "orvane-serve: %s\n", error.c_str());
        return 1;
    }
    std::thread([&server, &service, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
        // A client that reads a large picture slowly holds its worker until the write times
        // out; the server still ends within half a second of the signal, its board let go.
        Ending& ending = TheEnding();
        std::unique_lock<std::mutex> lock(ending.mutex);
        if (!ending.ended.wait_for(lock, std::chrono::milliseconds(400), [&ending] { return ending.mainDone; })) {
            service.Close();
            std::_Exit(0);
        }
    }).detach();
    std::printf("orvane-serve: listening on http://%s:%d/\n", options.host.c_str(), options.port);
    std::fflush(stdout);
    server.Run();
    service.Close();
    Ending& ending = TheEnding();
    {
        const std::lock_guard<std::mutex> lock(ending.mutex);
        ending.mainDone = true;
    }
    ending.ended.notify_all();
    return 0;
}
