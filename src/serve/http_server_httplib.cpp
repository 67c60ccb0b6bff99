#include "http_server.h"

#include <httplib.h>

#include <cstdlib>

struct HttpServer::Impl {
    HttpHandler handler;
    httplib::Server server;
    int port = 0;
};

namespace {

void Answer(const HttpHandler& handler, const httplib::Request& request, httplib::Response& response) {
    HttpRequest plain;
    plain.method = request.method;
    plain.path = request.path;
    const std::size_t question = request.target.find('?');
    if (question != std::string::npos) plain.query = request.target.substr(question + 1);
    plain.authorization = request.get_header_value("Authorization");
    plain.targetLength = request.target.size();
    const std::string length = request.get_header_value("Content-Length");
    plain.bodyLength = length.empty() ? 0 : std::strtoull(length.c_str(), nullptr, 10);

    HttpResponse answer = handler(plain);
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) response.set_header(name, value);
    if (answer.sharedBody) {
        // The shared picture stays alive for as long as the response is being sent.
        std::shared_ptr<const std::string> body = answer.sharedBody;
        response.set_content_provider(body->size(), answer.contentType,
                                      [body](std::size_t offset, std::size_t size, httplib::DataSink& sink) {
                                          return sink.write(body->data() + offset, size);
                                      });
    } else {
        response.set_content(answer.body, answer.contentType);
    }
}

}  // namespace

HttpServer::HttpServer(HttpHandler handler) : impl_(std::make_unique<Impl>()) {
    impl_->handler = std::move(handler);
    httplib::Server& server = impl_->server;
    // Answered before cpp-httplib reads any body, so that a large one is refused unread.
    server.set_payload_max_length(kMaxRequestBody);
    // A slow or silent client holds one of cpp-httplib's workers until its read times out:
    // soon enough that a few of them leave the others served.
    server.set_read_timeout(2, 0);
    server.set_write_timeout(5, 0);
    // cpp-httplib wakes every 10 ms for each connection it keeps open between requests, which
    // would cost a page polling once a second more than all the rest: one request a connection.
    server.set_keep_alive_max_count(1);
    // Headers and body go out in separate writes; without this each answer waits for the
    // client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    // Every request goes to the handler, whatever its method and path: the routing is its own.
    Impl* impl = impl_.get();
    server.set_pre_routing_handler([impl](const httplib::Request& request, httplib::Response& response) {
        Answer(impl->handler, request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    // What cpp-httplib refuses itself (a malformed request, a target or headers too long).
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_content(std::string(StatusReason(response.status)) + "\n", "text/plain; charset=utf-8");
    });
}

HttpServer::~HttpServer() = default;

bool HttpServer::Listen(const std::string& host, int port, std::string& error) {
    if (port == 0) {
        impl_->port = impl_->server.bind_to_any_port(host.c_str());
    } else if (impl_->server.bind_to_port(host.c_str(), port)) {
        impl_->port = port;
    }
    if (impl_->port <= 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port);
        impl_->port = 0;
        return false;
    }
    return true;
}

int HttpServer::Port() const { return impl_->port; }

void HttpServer::Run() { impl_->server.listen_after_bind(); }

void HttpServer::Stop() { impl_->server.stop(); }
