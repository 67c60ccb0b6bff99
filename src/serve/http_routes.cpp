#include "http_routes.h"

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

HttpResponse Decide(const HttpRequest& request, StatusService& service, const std::string& token) {
    if (request.targetLength > kMaxRequestTarget) return Plain(414, "the address is too long");
    if (request.bodyLength > kMaxRequestBody) return Plain(413, "the request is too large");
    const auto params = ParseQuery(request.query);
    if (!Authorised(request, params, token)) {
        HttpResponse response = Plain(401, "a token is needed");
        response.headers.emplace_back("WWW-Authenticate", "Bearer");
        return response;
    }
    const bool known = request.path == "/" || request.path == "/status.png" || request.path == "/status.json" ||
                       request.path == "/metrics";
    if (!known) return Plain(404, "not found");
    // A server sends no body for HEAD by itself.
    if (request.method != "GET" && request.method != "HEAD") {
        HttpResponse response = Plain(405, "only GET is served");
        response.headers.emplace_back("Allow", "GET, HEAD");
        return response;
    }
    if (request.path == "/status.png") return Picture(params, service);
    if (request.path == "/status.json") return Status(params, service);
    HttpResponse response;
    if (request.path == "/metrics") {
        response.contentType = "text/plain; version=0.0.4; charset=utf-8";
        response.body = service.Metrics();
    } else {
        response.contentType = "text/html; charset=utf-8";
        response.body = kPage;
    }
    return response;
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

HttpResponse Route(const HttpRequest& request, StatusService& service, const std::string& token) {
    HttpResponse response = Decide(request, service, token);
    response.headers.emplace_back("Cache-Control", "no-store");
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    return response;
}

const char* StatusReason(int status) {
    switch (status) {
        case 200: return "OK";
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
