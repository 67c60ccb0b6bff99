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
    int staleMinutes = 10;  // a card marked stale after so long without a change
    bool help = false;
};

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options, std::string& error);
// Reads the token from options.tokenFile: its first line, without surrounding blanks.
bool LoadToken(ServeOptions& options, std::string& error);
extern const char kServeUsage[];
// The command line of either program: parsed, the token loaded, the usage or the error printed.
// The exit status to end with, or -1 to go on and serve.
int ReadServeCommandLine(int argc, char** argv, ServeOptions& options);
