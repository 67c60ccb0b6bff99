// The HTTP server under orvane-serve, one per platform: http_server_httplib.cpp (Debian's
// cpp-httplib) and http_server_win32.cpp (the Windows HTTP Server API). Both hand every
// request to the same handler and send what it returns; the limits on a request's size are
// the handler's (Route), apart from a request too large to be taken in at all.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "http_routes.h"

using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

class HttpServer {
public:
    explicit HttpServer(HttpHandler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening on host:port; port 0 takes a free port where the platform allows it
    // (Port() tells which). False with the reason in `error` when it cannot.
    bool Listen(const std::string& host, int port, std::string& error);
    int Port() const;
    // Serves until Stop, which any thread may call, once Listen has succeeded.
    void Run();
    void Stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
