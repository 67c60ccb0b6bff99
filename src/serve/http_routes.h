// The HTTP face of orvane-serve: what each request gets, decided the same way whichever server
// carries it (http_server_httplib.cpp, http_server_win32.cpp). The server hands over the parts
// of a request that matter here and sends back what Route made.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ServedClients;

// Nothing we serve takes a body; a longer one is refused before it is read.
inline constexpr std::uint64_t kMaxRequestBody = 4096;
// The longest request target answered: what cpp-httplib allows, so both servers draw the line
// at the same length.
inline constexpr std::size_t kMaxRequestTarget = 8192;

struct HttpRequest {
    std::string method;         // "GET", "POST", ...
    std::string path;           // decoded, without the query
    std::string query;          // as sent, after the '?'
    std::string authorization;  // the Authorization header, empty when absent
    std::uint64_t bodyLength = 0;
    std::size_t targetLength = 0;  // of the request target as sent
};

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    // The picture, shared with the cache rather than copied; sent instead of `body` when set.
    std::shared_ptr<const std::string> sharedBody;
    std::vector<std::pair<std::string, std::string>> headers;

    const std::string& Content() const { return sharedBody ? *sharedBody : body; }
};

// The query's names and values, percent-decoded ('+' as a blank), in the order given.
std::multimap<std::string, std::string> ParseQuery(const std::string& query);

// With a non-empty `token` every request must carry it.
HttpResponse Route(const HttpRequest& request, ServedClients& clients, const std::string& token);

// The short text of a status code, for a server that has to send one.
const char* StatusReason(int status);
