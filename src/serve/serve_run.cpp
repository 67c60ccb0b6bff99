#include "serve_run.h"

#include <cstdio>
#include <string>

#include "http_routes.h"
#include "reader/header_image.h"

int RunServe(const ServeOptions& options, const ServePlatform& platform) {
    std::string error;
    StatusService service(options.recordName, options.headerImage.empty()
                                                  ? FindHeaderImage(platform.besideProgram, platform.dataDir)
                                                  : options.headerImage);
    service.Start();
    const std::string token = options.token;
    HttpServer server([&service, token](const HttpRequest& request) { return Route(request, service, token); });
    if (!server.Listen(options.host, options.port, error)) {
        std::fprintf(stderr, "orvane-serve: %s\n", error.c_str());
        return 1;
    }
    platform.stopOn(server, service);
    std::printf("orvane-serve: listening on http://%s:%d/\n", options.host.c_str(), options.port);
    std::fflush(stdout);
    server.Run();
    platform.ended(service);
    return 0;
}
