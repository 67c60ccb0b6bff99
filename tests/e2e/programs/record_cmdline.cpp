// Stands in for a program that the saver starts (the client, the help viewer): appends its
// command line and current directory to a log and ends at once, without a window, so that it
// neither takes the focus from the saver nor outlives the test.
//
// The log is the file named by ORVANE_E2E_CMDLINE_LOG, else "record-cmdline.log" beside the
// program. Each start adds two lines: "cmdline: ..." and "cwd: ...".
#include <windows.h>

#include <cstdio>

#include "program_helpers.h"

namespace {

bool LogPath(char* path, DWORD size) {
    const DWORD fromEnvironment = GetEnvironmentVariableA("ORVANE_E2E_CMDLINE_LOG", path, size);
    if (fromEnvironment > 0 && fromEnvironment < size) return true;
    return PathBeside(nullptr, "record-cmdline.log", path, size);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = "";
    if (!LogPath(path, sizeof path)) return 1;
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    // Several starts may race for the file: retry while another one holds it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::FILE* log = std::fopen(path, "ab");
        if (log != nullptr) {
            std::fprintf(log, "cmdline: %s\r\ncwd: %s\r\n", GetCommandLineA(), directory);
            const bool ok = std::fclose(log) == 0;
            return ok ? 0 : 1;
        }
        Sleep(20);
    }
    return 1;
}
