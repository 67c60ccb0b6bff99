#include "http_routes.h"

#include <httplib.h>

#include "status_service.h"

namespace {

// The page: the picture, refetched only when the screen's version moved, and the waiting line
// while there is no record. The token of the page's own address goes along with each fetch.
const char kPage[] = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Orvane</title>
<style>
body{margin:0;background:#000;color:#ccc;font:16px sans-serif;display:flex;flex-direction:column;align-items:center}
img{width:100%;max-width:752px;height:auto;image-rendering:pixelated}
#waiting{padding:2em 1em;text-align:center}
</style></head><body>
<img id="screen" alt="The Orvane status screen" hidden>
<div id="waiting">Loading...</div>
<script>
const token = new URLSearchParams(location.search).get('token');
const withToken = (path, extra) => {
  const q = new URLSearchParams(extra || {});
  if (token) q.set('token', token);
  const s = q.toString();
  return s ? path + '?' + s : path;
};
let shown = -1;
async function poll() {
  try {
    const r = await fetch(withToken('status.json', {samples: '0'}), {cache: 'no-store'});
    const s = await r.json();
    const img = document.getElementById('screen'), waiting = document.getElementById('waiting');
    if (s.present) {
      if (s.screen_version !== shown) {
        shown = s.screen_version;
        img.src = withToken('status.png', {v: shown});
      }
      img.hidden = false; waiting.hidden = true;
    } else {
      img.hidden = true; waiting.hidden = false; waiting.textContent = s.waiting_line;
    }
  } catch (e) {}
  setTimeout(poll, 1000);
}
poll();
</script></body></html>
)";

bool TokenMatches(const std::string& given, const std::string& token) {
    // Compared in full whatever the first difference, so the time says nothing of the token.
    if (given.size() != token.size()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < token.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ token[i]);
    return diff == 0;
}

bool Authorised(const httplib::Request& request, const std::string& token) {
    if (token.empty()) return true;
    const std::string header = request.get_header_value("Authorization");
    const std::string bearer = "Bearer ";
    if (header.compare(0, bearer.size(), bearer) == 0 && TokenMatches(header.substr(bearer.size()), token)) return true;
    return request.has_param("token") && TokenMatches(request.get_param_value("token"), token);
}

void Plain(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

}  // namespace

void SetUpRoutes(httplib::Server& server, StatusService& service, const std::string& token) {
    // Nothing we serve takes a body; a request that sends one large is refused before it is read.
    server.set_payload_max_length(4096);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    // cpp-httplib wakes every 10 ms for each connection it keeps open between requests, which
    // would cost a page polling once a second more than all the rest: one request a connection.
    server.set_keep_alive_max_count(1);
    // Headers and body go out in separate writes; without this each answer waits for the
    // client's delayed acknowledgement.
    server.set_tcp_nodelay(true);

    server.set_pre_routing_handler([token](const httplib::Request& request, httplib::Response& response) {
        if (Authorised(request, token)) return httplib::Server::HandlerResponse::Unhandled;
        response.set_header("WWW-Authenticate", "Bearer");
        Plain(response, 401, "a token is needed");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
    });

    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(kPage, "text/html; charset=utf-8");
    });
    server.Get("/status.png", [&service](const httplib::Request& request, httplib::Response& response) {
        int scale = 1;
        if (request.has_param("scale")) {
            const std::string text = request.get_param_value("scale");
            if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kMaxImageScale) {
                Plain(response, 400, "scale takes a whole number from 1 to 8");
                return;
            }
            scale = text[0] - '0';
        }
        const auto png = service.Png(scale);
        if (!png) {
            Plain(response, 503, service.WaitingText());
            return;
        }
        // The shared picture stays alive for as long as the response is being sent.
        response.set_content_provider(png->size(), "image/png",
                                      [png](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          return sink.write(png->data() + offset, length);
                                      });
    });
    server.Get("/status.json", [&service](const httplib::Request& request, httplib::Response& response) {
        // The page polls every second and needs no samples: up to 120 000 numbers it would drop.
        bool withSamples = true;
        if (request.has_param("samples")) {
            const std::string text = request.get_param_value("samples");
            if (text != "0" && text != "1") {
                Plain(response, 400, "samples takes 0 or 1");
                return;
            }
            withSamples = text == "1";
        }
        response.set_content(service.Json(withSamples), "application/json");
    });
    server.Get("/metrics", [&service](const httplib::Request&, httplib::Response& response) {
        response.set_content(service.Metrics(), "text/plain; version=0.0.4; charset=utf-8");
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) Plain(response, response.status, response.status == 404 ? "not found" : "bad request");
    });
}
