#include "serve_options.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "cli/command_line.h"

const char kServeUsage[] =
    "usage: orvane-serve [--listen ADDR:PORT] [--record NAME] [--token FILE] [--header FILE]\n"
    "                    [--stale MINUTES]\n"
    "\n"
    "Serves the status screens and the clients' figures over HTTP, from the shared records read\n"
    "as a passive reader (never a byte of them written): the record NAME, and every record of\n"
    "the family orvane_share, orvane_share_2 .. orvane_share_64 while it is there:\n"
    "  /               an overview, a card for each client\n"
    "  /clients.json   each client's name, label, progress and time since a change\n"
    "  /metrics        Prometheus text exposition, labelled by record and label\n"
    "  /status.html    a page that follows NAME's status screen\n"
    "  /status.png     NAME's status screen (?scale=N, 1 to 8, repeats whole pixels)\n"
    "  /status.json    NAME's decoded record\n"
    "  /c/CLIENT/      the page, status.png and status.json of the family's record CLIENT\n"
    "\n"
    "  --listen ADDR:PORT  where to listen (default 127.0.0.1:8617; other addresses only when given)\n"
    "  --record NAME       the record always served (default orvane_share)\n"
    "  --token FILE        every request needs the token in FILE (its first line), as\n"
    "                      'Authorization: Bearer TOKEN' or ?token=TOKEN\n"
    "  --header FILE       the header image of the status screen\n"
    "  --stale MINUTES     a client unchanged this long is marked stale (1 to 1440, default 10)\n"
    "  --help              this text\n";

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error) {
    return cli::OptionReader()
        .EmptyValueIsMissing()
        .Value("--listen",
               [&options](const std::string& text) {
                   const std::size_t colon = text.rfind(':');
                   std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
                   if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
                   const std::string port = colon == std::string::npos ? "" : text.substr(colon + 1);
                   // At most five digits: a port padded with more zeros is refused, as it always was.
                   if (host.empty() || port.size() > 5 || !cli::ReadWhole(port, options.port) || options.port < 1 ||
                       options.port > 65535) {
                       return false;
                   }
                   options.host = host;
                   return true;
               },
               "--listen takes ADDR:PORT, a port from 1 to 65535")
        .Value("--record",
               [&options](const std::string& name) {
                   options.recordName = name;
                   // The name goes into the waiting line of the page and the JSON: letters,
                   // digits, '.', '_' and '-' only, so it needs no escaping anywhere.
                   return name.size() <= 200 && std::all_of(name.begin(), name.end(), [](char c) {
                              return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
                          });
               },
               "--record takes a name of letters, digits, '.', '_' and '-'")
        .Text("--token", options.tokenFile)
        .Text("--header", options.headerImage)
        .Value("--stale",
               [&options](const std::string& text) {
                   return cli::ReadWhole(text, options.staleMinutes) && options.staleMinutes >= 1 &&
                          options.staleMinutes <= 1440;
               },
               "--stale takes whole minutes from 1 to 1440")
        .Switch({"--help", "-h"}, options.help)
        .Read(args, error);
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
    const bool read =
        ParseServeOptions(std::vector<std::string>(argv + 1, argv + argc), options, error) && LoadToken(options, error);
    return cli::Conclude("orvane-serve", kServeUsage, cli::UsageOnMistake::Yes, read, error, options.help);
}
