#include "http_routes.h"

#include "overview_page.h"
#include "serve_text.h"
#include "served_clients.h"
#include "status_service.h"

namespace {

// One client's page: the picture, refetched only when the screen's version moved, and the
// waiting line while there is no record. Its addresses are relative, so the same page serves
// at /status.html and at /c/NAME/. The token of the page's own address goes along with each
// fetch.
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
    const img = document.getElementById('screen'), waiting = document.getElementById('waiting');
    if (r.status === 404) {
      img.hidden = true; waiting.hidden = false; waiting.textContent = 'This client has ended.';
      return;
    }
    const s = await r.json();
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

bool Authorised(const HttpRequest& request, const std::multimap<std::string, std::string>& params,
                const std::string& token) {
    if (token.empty()) return true;
    const std::string bearer = "Bearer ";
    const std::string& header = request.authorization;
    if (header.compare(0, bearer.size(), bearer) == 0 && TokenMatches(header.substr(bearer.size()), token)) return true;
    const auto given = params.find("token");
    return given != params.end() && TokenMatches(given->second, token);
}

HttpResponse Plain(int status, const std::string& text) {
    HttpResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = text + "\n";
    return response;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

HttpResponse Picture(const std::multimap<std::string, std::string>& params, StatusService& service) {
    int scale = 1;
    const auto given = params.find("scale");
    if (given != params.end()) {
        const std::string& text = given->second;
        if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kMaxImageScale)
            return Plain(400, "scale takes a whole number from 1 to 8");
        scale = text[0] - '0';
    }
    auto png = service.Png(scale);
    if (!png) return Plain(503, service.WaitingText());
    HttpResponse response;
    response.contentType = "image/png";
    response.sharedBody = std::move(png);
    return response;
}

HttpResponse Status(const std::multimap<std::string, std::string>& params, StatusService& service) {
    // The page polls every second and needs no samples: up to 120 000 numbers it would drop.
    bool withSamples = true;
    const auto given = params.find("samples");
    if (given != params.end()) {
        if (given->second != "0" && given->second != "1") return Plain(400, "samples takes 0 or 1");
        withSamples = given->second == "1";
    }
    HttpResponse response;
    response.contentType = "application/json";
    response.body = service.Json(withSamples);
    return response;
}

// What a path names: one of the server's own answers, or one client's.
struct Target {
    enum Kind { None, Overview, Clients, Metrics, Page, Picture, Status, Redirect } kind = None;
    std::shared_ptr<StatusService> client;
};

Target Resolve(const std::string& path, ServedClients& clients) {
    if (path == "/") return {Target::Overview, nullptr};
    if (path == "/clients.json") return {Target::Clients, nullptr};
    if (path == "/metrics") return {Target::Metrics, nullptr};
    // The record orvane-serve was started on, at the paths it has always had.
    if (path == "/status.html") return {Target::Page, clients.Default()};
    if (path == "/status.png") return {Target::Picture, clients.Default()};
    if (path == "/status.json") return {Target::Status, clients.Default()};
    const std::string prefix = "/c/";
    if (path.compare(0, prefix.size(), prefix) != 0) return {};
    const std::size_t slash = path.find('/', prefix.size());
    // Only a name of the family that is served now; nothing of the path is opened.
    auto client = clients.Client(std::string_view(path).substr(prefix.size(), slash - prefix.size()));
    if (!client) return {};
    if (slash == std::string::npos) return {Target::Redirect, client};
    const std::string rest = path.substr(slash + 1);
    if (rest.empty()) return {Target::Page, client};
    if (rest == "status.png") return {Target::Picture, client};
    if (rest == "status.json") return {Target::Status, client};
    return {};
}

HttpResponse Decide(const HttpRequest& request, ServedClients& clients, const std::string& token) {
    if (request.targetLength > kMaxRequestTarget) return Plain(414, "the address is too long");
    if (request.bodyLength > kMaxRequestBody) return Plain(413, "the request is too large");
    const auto params = ParseQuery(request.query);
    if (!Authorised(request, params, token)) {
        HttpResponse response = Plain(401, "a token is needed");
        response.headers.emplace_back("WWW-Authenticate", "Bearer");
        return response;
    }
    const Target target = Resolve(request.path, clients);
    if (target.kind == Target::None) return Plain(404, "not found");
    // A server sends no body for HEAD by itself.
    if (request.method != "GET" && request.method != "HEAD") {
        HttpResponse response = Plain(405, "only GET is served");
        response.headers.emplace_back("Allow", "GET, HEAD");
        return response;
    }
    HttpResponse response;
    switch (target.kind) {
        case Target::Picture: return Picture(params, *target.client);
        case Target::Status: return Status(params, *target.client);
        case Target::Redirect:
            // The page's addresses are relative to its own, which ends with the slash.
            response = Plain(301, "moved to " + target.client->Name() + "/");
            response.headers.emplace_back("Location", target.client->Name() + "/" +
                                                          (request.query.empty() ? "" : "?" + request.query));
            return response;
        case Target::Metrics:
            response.contentType = "text/plain; version=0.0.4; charset=utf-8";
            response.body = clients.Metrics();
            return response;
        case Target::Clients:
            response.contentType = "application/json";
            response.body = clients.ClientsJson();
            return response;
        case Target::Overview: {
            // A token given in the address goes along with each card's link, as the page's own
            // fetches take it along.
            const auto given = params.find("token");
            const std::string linkQuery =
                !token.empty() && given != params.end() ? "?token=" + UrlEncoded(given->second) : "";
            response.contentType = "text/html; charset=utf-8";
            response.body = OverviewPage(clients.Cards(), linkQuery);
            return response;
        }
        default:
            response.contentType = "text/html; charset=utf-8";
            response.body = kPage;
            return response;
    }
}

}  // namespace

std::multimap<std::string, std::string> ParseQuery(const std::string& query) {
    std::multimap<std::string, std::string> params;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            if (equals == std::string::npos) {
                params.emplace(Decode(pair), std::string());
            } else {
                params.emplace(Decode(pair.substr(0, equals)), Decode(pair.substr(equals + 1)));
            }
        }
        start = end + 1;
    }
    return params;
}

HttpResponse Route(const HttpRequest& request, ServedClients& clients, const std::string& token) {
    HttpResponse response = Decide(request, clients, token);
    response.headers.emplace_back("Cache-Control", "no-store");
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    return response;
}

const char* StatusReason(int status) {
    switch (status) {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 413: return "Payload Too Large";
        case 414: return "URI Too Long";
        case 431: return "Request Header Fields Too Large";
        case 503: return "Service Unavailable";
        default: return status < 500 ? "Bad Request" : "Internal Server Error";
    }
}
