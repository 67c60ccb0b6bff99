// The HTTP Server API (http.sys): the kernel takes the connections, parses and bounds each
// request and queues it; a few threads of ours take requests off the queue and answer them.
#include "http_server.h"

// http.h needs the socket types declared first.
#include <winsock2.h>
#include <windows.h>
#include <http.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Room for the largest request Route still answers itself: the target given twice (as sent,
// and decoded into UTF-16 beside the host), and the headers. What does not fit is refused.
constexpr ULONG kRequestBuffer = sizeof(HTTP_REQUEST) + 6 * kMaxRequestTarget + 32768;
// Enough for a page's poll beside a scrape and a slow download of the picture.
constexpr int kWorkers = 4;

std::string Narrow(const wchar_t* text, std::size_t bytes) {
    const int length = static_cast<int>(bytes / sizeof(wchar_t));
    if (text == nullptr || length <= 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::string KnownHeader(const HTTP_REQUEST& request, HTTP_HEADER_ID id) {
    const HTTP_KNOWN_HEADER& header = request.Headers.KnownHeaders[id];
    return header.pRawValue != nullptr ? std::string(header.pRawValue, header.RawValueLength) : std::string();
}

const char* VerbName(const HTTP_REQUEST& request) {
    switch (request.Verb) {
        case HttpVerbGET: return "GET";
        case HttpVerbHEAD: return "HEAD";
        case HttpVerbPOST: return "POST";
        case HttpVerbPUT: return "PUT";
        case HttpVerbDELETE: return "DELETE";
        case HttpVerbOPTIONS: return "OPTIONS";
        case HttpVerbTRACE: return "TRACE";
        default: return "OTHER";
    }
}

HttpRequest Plain(const HTTP_REQUEST& request) {
    HttpRequest plain;
    plain.method = VerbName(request);
    const std::string raw = request.pRawUrl != nullptr ? std::string(request.pRawUrl, request.RawUrlLength) : "";
    const std::size_t question = raw.find('?');
    if (question != std::string::npos) plain.query = raw.substr(question + 1);
    // The decoded path; the target as sent when the queue gave none.
    plain.path = Narrow(request.CookedUrl.pAbsPath, request.CookedUrl.AbsPathLength);
    if (plain.path.empty()) plain.path = raw.substr(0, question);
    plain.targetLength = raw.size();
    plain.authorization = KnownHeader(request, HttpHeaderAuthorization);
    const std::string length = KnownHeader(request, HttpHeaderContentLength);
    plain.bodyLength = length.empty() ? 0 : std::strtoull(length.c_str(), nullptr, 10);
    return plain;
}

bool KnownResponseHeader(const std::string& name, HTTP_HEADER_ID& id) {
    static const struct {
        const char* name;
        HTTP_HEADER_ID id;
    } known[] = {{"Cache-Control", HttpHeaderCacheControl},
                 {"Allow", HttpHeaderAllow},
                 {"WWW-Authenticate", HttpHeaderWwwAuthenticate},
                 {"Content-Type", HttpHeaderContentType},
                 {"Location", HttpHeaderLocation}};
    for (const auto& entry : known) {
        if (_stricmp(entry.name, name.c_str()) == 0) {
            id = entry.id;
            return true;
        }
    }
    return false;
}

void Send(HANDLE queue, HTTP_REQUEST_ID id, const HttpResponse& answer, bool head) {
    HTTP_RESPONSE response{};
    response.Version.MajorVersion = 1;
    response.Version.MinorVersion = 1;
    response.StatusCode = static_cast<USHORT>(answer.status);
    const char* reason = StatusReason(answer.status);
    response.pReason = reason;
    response.ReasonLength = static_cast<USHORT>(std::strlen(reason));

    std::vector<std::pair<std::string, std::string>> headers = answer.headers;
    if (!answer.contentType.empty()) headers.emplace_back("Content-Type", answer.contentType);
    std::vector<HTTP_UNKNOWN_HEADER> unknown;
    unknown.reserve(headers.size());
    for (const auto& [name, value] : headers) {
        HTTP_HEADER_ID known;
        if (KnownResponseHeader(name, known)) {
            response.Headers.KnownHeaders[known].pRawValue = value.c_str();
            response.Headers.KnownHeaders[known].RawValueLength = static_cast<USHORT>(value.size());
        } else {
            HTTP_UNKNOWN_HEADER header{};
            header.pName = name.c_str();
            header.NameLength = static_cast<USHORT>(name.size());
            header.pRawValue = value.c_str();
            header.RawValueLength = static_cast<USHORT>(value.size());
            unknown.push_back(header);
        }
    }
    response.Headers.UnknownHeaderCount = static_cast<USHORT>(unknown.size());
    response.Headers.pUnknownHeaders = unknown.data();

    const std::string& body = answer.Content();
    HTTP_DATA_CHUNK chunk{};
    chunk.DataChunkType = HttpDataChunkFromMemory;
    chunk.FromMemory.pBuffer = const_cast<char*>(body.data());
    chunk.FromMemory.BufferLength = static_cast<ULONG>(body.size());
    if (!head && !body.empty()) {
        response.EntityChunkCount = 1;
        response.pEntityChunks = &chunk;
    }
    // A client that went away meanwhile is no concern of ours: nothing to do with the error.
    ULONG sent = 0;
    HttpSendHttpResponse(queue, id, 0, &response, nullptr, &sent, nullptr, 0, nullptr, nullptr);
}

}  // namespace

struct HttpServer::Impl {
    HttpHandler handler;
    HANDLE queue = nullptr;
    HANDLE stop = nullptr;  // set by Stop: every worker leaves
    std::wstring url;
    bool initialised = false;
    int port = 0;

    void Work();
};

void HttpServer::Impl::Work() {
    std::vector<ULONGLONG> storage(kRequestBuffer / sizeof(ULONGLONG) + 1);
    auto* request = reinterpret_cast<HTTP_REQUEST*>(storage.data());
    const auto size = static_cast<ULONG>(storage.size() * sizeof(ULONGLONG));
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr) return;
    for (;;) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = done;
        ResetEvent(done);
        std::memset(request, 0, sizeof(HTTP_REQUEST));
        ULONG result = HttpReceiveHttpRequest(queue, HTTP_NULL_ID, 0, request, size, nullptr, &overlapped);
        if (result == ERROR_IO_PENDING) {
            HANDLE waits[2] = {done, stop};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIoEx(queue, &overlapped);
                DWORD ignored = 0;
                GetOverlappedResult(queue, &overlapped, &ignored, TRUE);
                break;
            }
            DWORD bytes = 0;
            result = GetOverlappedResult(queue, &overlapped, &bytes, FALSE) ? NO_ERROR : GetLastError();
        }
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) break;
        if (result == ERROR_MORE_DATA) {
            // Larger than any request Route answers: refused here, the way cpp-httplib refuses
            // headers it will not take in.
            HttpResponse refused;
            refused.status = 431;
            refused.contentType = "text/plain; charset=utf-8";
            refused.body = "the request is too large\n";
            Send(queue, request->RequestId, refused, false);
            continue;
        }
        if (result != NO_ERROR) {
            // The queue is gone (closed under us) or broken: nothing more will come.
            if (result == ERROR_INVALID_HANDLE || result == ERROR_OPERATION_ABORTED) break;
            continue;
        }
        const HttpRequest plain = Plain(*request);
        Send(queue, request->RequestId, handler(plain), request->Verb == HttpVerbHEAD);
    }
    CloseHandle(done);
}

HttpServer::HttpServer(HttpHandler handler) : impl_(std::make_unique<Impl>()) {
    impl_->handler = std::move(handler);
    impl_->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

HttpServer::~HttpServer() {
    if (impl_->queue != nullptr) {
        if (!impl_->url.empty()) HttpRemoveUrl(impl_->queue, impl_->url.c_str());
        CloseHandle(impl_->queue);
    }
    if (impl_->initialised) HttpTerminate(HTTP_INITIALIZE_SERVER, nullptr);
    if (impl_->stop != nullptr) CloseHandle(impl_->stop);
}

bool HttpServer::Listen(const std::string& host, int port, std::string& error) {
    if (port <= 0 || port > 65535) {
        error = "the HTTP Server API needs a port from 1 to 65535";
        return false;
    }
    // The URL prefix the queue takes: every address of the machine is http.sys's strong
    // wildcard, an IPv6 address goes in brackets.
    std::string name = host;
    if (host == "0.0.0.0" || host == "::") {
        name = "+";
    } else if (host.find(':') != std::string::npos) {
        name = "[" + host + "]";
    }
    const std::string prefix = "http://" + name + ":" + std::to_string(port) + "/";
    const HTTPAPI_VERSION version = HTTPAPI_VERSION_1;
    ULONG result = HttpInitialize(version, HTTP_INITIALIZE_SERVER, nullptr);
    if (result == NO_ERROR) {
        impl_->initialised = true;
        result = HttpCreateHttpHandle(&impl_->queue, 0);
    }
    if (result == NO_ERROR) {
        impl_->url.assign(prefix.begin(), prefix.end());
        result = HttpAddUrl(impl_->queue, impl_->url.c_str(), nullptr);
        if (result != NO_ERROR) impl_->url.clear();
    }
    if (result != NO_ERROR || impl_->stop == nullptr) {
        error = "cannot listen on " + prefix + " (error " + std::to_string(result) + ")";
        if (result == ERROR_ACCESS_DENIED)
            error += "; an administrator reserves it once with: netsh http add urlacl url=" + prefix +
                     " user=%USERNAME%";
        return false;
    }
    impl_->port = port;
    return true;
}

int HttpServer::Port() const { return impl_->port; }

void HttpServer::Run() {
    if (impl_->queue == nullptr) return;
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) workers.emplace_back([this] { impl_->Work(); });
    for (std::thread& worker : workers) worker.join();
}

void HttpServer::Stop() {
    if (impl_->stop != nullptr) SetEvent(impl_->stop);
}
