// orvane-serve on Windows: the header image beside the program (where the install puts it,
// next to Orvane.scr), and Ctrl-C, Ctrl-Break or the console closing ending the server.
#include <windows.h>

#include <atomic>

#include "serve_run.h"

namespace {

std::atomic<HttpServer*> gServer{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD) {
    if (HttpServer* server = gServer.load()) server->Stop();
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    ServeOptions options;
    if (const int status = ReadServeCommandLine(argc, argv, options); status >= 0) return status;
    ServePlatform platform;
    platform.stopOn = [](HttpServer& server, ServedClients&) {
        gServer.store(&server);
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    };
    platform.ended = [](ServedClients& clients) {
        gServer.store(nullptr);
        clients.Stop();
    };
    return RunServe(options, platform);
}
