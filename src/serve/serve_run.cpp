#include "serve_run.h"

#include <cstdio>
#include <string>

#include "http_routes.h"
#include "reader/header_image.h"

int RunServe(const ServeOptions& options, const ServePlatform& platform) {
    std::string error;
    ServedClientsConfig config;
    config.defaultRecord = options.recordName;
    config.headerImage = options.headerImage.empty() ? FindHeaderImage(platform.besideProgram, platform.dataDir)
                                                     : options.headerImage;
    config.staleMinutes = options.staleMinutes;
    ServedClients clients(config);
    clients.Start();
    const std::string token = options.token;
    HttpServer server([&clients, token](const HttpRequest& request) { return Route(request, clients, token); });
    if (!server.Listen(options.host, options.port, error)) {
        std::fprintf(stderr, "orvane-serve: %s\n", error.c_str());
        return 1;
    }
    platform.stopOn(server, clients);
    std::printf("orvane-serve: listening on http://%s:%d/\n", options.host.c_str(), options.port);
    std::fflush(stdout);
    server.Run();
    platform.ended(clients);
    return 0;
}
