#include "inspect_run.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "record/inspect.h"

namespace {

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        error = "cannot open record file '" + path + "'";
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    return true;
}

}  // namespace

int RunInspect(const InspectOptions& options, std::string& out, std::string& err) {
    std::vector<unsigned char> bytes;
    int status = 0;
    for (long shown = 0;; ++shown) {
        const bool ok = options.recordPath.empty() ? ReadLiveRecord(options.name, bytes, err)
                                                   : ReadFile(options.recordPath, bytes, err);
        if (!ok) return 2;
        std::string text = options.watch ? "\x1b[H\x1b[J" : "";
        text += DescribeRecord(bytes.data(), bytes.size());
        status = 0;
        if (options.lint) {
            const std::vector<std::string> found = LintRecord(bytes.data(), bytes.size());
            for (const std::string& line : found) text += "lint: " + line + "\n";
            text += found.empty() ? "lint: clean\n"
                                  : "lint: " + std::to_string(found.size()) + (found.size() == 1 ? " mistake\n" : " mistakes\n");
            status = found.empty() ? 0 : 1;
        }
        out += text;
        if (!options.watch || (options.count > 0 && shown + 1 >= options.count)) break;
        // Printed as it goes: a watch is read while it runs.
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
        out.clear();
        std::this_thread::sleep_for(std::chrono::duration<double>(options.interval));
    }
    return status;
}
