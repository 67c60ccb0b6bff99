// orvane-serve on Windows: the header image beside the program (where the install puts it,
// next to Orvane.scr), and Ctrl-C, Ctrl-Break or the console closing ending the server.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "http_server.h"
#include "reader/header_image.h"
#include "serve_options.h"
#include "status_service.h"

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
    std::string error;
    StatusService service(options.recordName, options.headerImage.empty() ? FindHeaderImage("", "") : options.headerImage);
    service.Start();
    const std::string token = options.token;
    HttpServer server([&service, token](const HttpRequest& request) { return Route(request, service, token); });
    if (!server.Listen(options.host, options.port, error)) {
        std::fprintf(stderr, "orvane-serve: %s\n", error.c_str());
        return 1;
    }
    gServer.store(&server);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    std::printf("orvane-serve: listening on http://%s:%d/\n", options.host.c_str(), options.port);
    std::fflush(stdout);
    server.Run();
    gServer.store(nullptr);
    service.Stop();
    return 0;
}
