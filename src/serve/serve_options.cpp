#include "serve_options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

const char kServeUsage[] =
    "usage: orvane-serve [--listen ADDR:PORT] [--record NAME] [--token FILE] [--header FILE]\n"
    "\n"
    "Serves the status screen and the client's figures over HTTP, from the shared record read\n"
    "as a passive reader (never a byte of it written):\n"
    "  /             a page that follows the status screen\n"
    "  /status.png   the status screen (?scale=N, 1 to 8, repeats whole pixels)\n"
    "  /status.json  the decoded record\n"
    "  /metrics      Prometheus text exposition\n"
    "\n"
    "  --listen ADDR:PORT  where to listen (default 127.0.0.1:8617; other addresses only when given)\n"
    "  --record NAME       the record's name (default orvane_share)\n"
    "  --token FILE        every request needs the token in FILE (its first line), as\n"
    "                      'Authorization: Bearer TOKEN' or ?token=TOKEN\n"
    "  --header FILE       the header image of the status screen\n"
    "  --help              this text\n";

namespace {

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    port = std::atoi(text.c_str());
    return port >= 1 && port <= 65535;
}

}  // namespace

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        if (arg == "--listen") {
            std::string text;
            if (!value(text)) return false;
            const std::size_t colon = text.rfind(':');
            std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
            if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
            if (host.empty() || !ParsePort(text.substr(colon + 1), options.port)) {
                error = "--listen takes ADDR:PORT, a port from 1 to 65535";
                return false;
            }
            options.host = host;
        } else if (arg == "--record") {
            if (!value(options.recordName)) return false;
            // The name goes into the waiting line of the page and the JSON: letters, digits, '.',
            // '_' and '-' only, so it needs no escaping anywhere.
            const bool plain = options.recordName.size() <= 200 &&
                               std::all_of(options.recordName.begin(), options.recordName.end(), [](char c) {
                                   return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
                               });
            if (!plain) {
                error = "--record takes a name of letters, digits, '.', '_' and '-'";
                return false;
            }
        } else if (arg == "--token") {
            if (!value(options.tokenFile)) return false;
        } else if (arg == "--header") {
            if (!value(options.headerImage)) return false;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    return true;
}

bool LoadToken(ServeOptions& options, std::string& error) {
    if (options.tokenFile.empty()) return true;
    std::ifstream in(options.tokenFile);
    std::string line;
    if (!in || !std::getline(in, line)) {
        error = "cannot read the token file '" + options.tokenFile + "'";
        return false;
    }
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!line.empty() && blank(line.back())) line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && blank(line[start])) ++start;
    options.token = line.substr(start);
    if (options.token.empty()) {
        error = "the token file '" + options.tokenFile + "' holds no token";
        return false;
    }
    return true;
}

int ReadServeCommandLine(int argc, char** argv, ServeOptions& options) {
    std::string error;
    if (!ParseServeOptions(std::vector<std::string>(argv + 1, argv + argc), options, error) || !LoadToken(options, error)) {
        std::fprintf(stderr, "orvane-serve: %s\n%s", error.c_str(), kServeUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kServeUsage, stdout);
        return 0;
    }
    return -1;
}
