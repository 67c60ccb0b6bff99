// The command line of orvane-serve.
#pragma once

#include <string>
#include <vector>

inline constexpr int kDefaultServePort = 8617;

struct ServeOptions {
    std::string host = "127.0.0.1";  // loopback unless asked
    int port = kDefaultServePort;
    std::string recordName = "orvane_share";
    std::string tokenFile;
    std::string token;  // read from tokenFile
    std::string headerImage;
    bool help = false;
};

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error);
// Reads the token from options.tokenFile: its first line, without surrounding blanks.
bool LoadToken(ServeOptions& options, std::string& error);
extern const char kServeUsage[];
