// orvane-inspect: prints the shared record and, with --lint, the client's mistakes in it.
#include <cstdio>
#include <string>
#include <vector>

#include "inspect_run.h"

int main(int argc, char** argv) {
    InspectOptions options;
    std::string error;
    if (!ParseInspectOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "orvane-inspect: %s\n%s", error.c_str(), kInspectUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kInspectUsage, stdout);
        return 0;
    }
    std::string out;
    const int status = RunInspect(options, out, error);
    std::fputs(out.c_str(), stdout);
    if (!error.empty()) std::fprintf(stderr, "orvane-inspect: %s\n", error.c_str());
    return status;
}
