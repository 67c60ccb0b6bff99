// orvane-serve on Linux: the header image found beside the installed program, and SIGTERM or
// SIGINT ending the server.
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <pthread.h>
#include <thread>

#include "serve_run.h"

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
    // SIGTERM and SIGINT are taken by a thread of their own, which ends the server: blocked
    // here, before any thread starts, so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ServePlatform platform;
    // <prefix>/bin/orvane-serve -> <prefix>/share/orvane
    platform.besideProgram = "../share/orvane/";
    platform.dataDir = ORVANE_DATA_DIR;
    platform.stopOn = [stopSignals](HttpServer& server, ServedClients& clients) {
        std::thread([&server, &clients, stopSignals] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            server.Stop();
            // A client that reads a large picture slowly holds its worker until the write
            // times out; the server still ends within half a second of the signal, its boards
            // let go.
            Ending& ending = TheEnding();
            std::unique_lock<std::mutex> lock(ending.mutex);
            if (!ending.ended.wait_for(lock, std::chrono::milliseconds(400), [&ending] { return ending.mainDone; })) {
                clients.Close();
                std::_Exit(0);
            }
        }).detach();
    };
    platform.ended = [](ServedClients& clients) {
        clients.Close();
        Ending& ending = TheEnding();
        {
            const std::lock_guard<std::mutex> lock(ending.mutex);
            ending.mainDone = true;
        }
        ending.ended.notify_all();
    };
    return RunServe(options, platform);
}
