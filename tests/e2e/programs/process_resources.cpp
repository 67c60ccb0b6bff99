// Reports what the platform tells about another process's resources, for the soak script:
// its GDI and USER object counts and its kernel handle count, found by image name.
//
//   process-resources IMAGE
//
// Prints one line per process whose image name is IMAGE (case-insensitive):
//   "pid=N gdi=N user=N handles=N"
// where a count the platform did not give is "-". GetGuiResources answers 0 both for
// "none" and for "not supported"; a process with a window always has some of both kinds,
// so a 0 is shown as "-" as well. GetProcessHandleCount succeeds with 0 where it is not
// implemented (Wine), and no running process has no handles: the count then comes from the
// system's handle table, and "-" only when that cannot be read either.
// Exit codes: 0 found, 1 no such process, 2 usage.
#include <windows.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool SameName(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

std::string Count(DWORD value, bool known) { return known ? std::to_string(value) : std::string("-"); }

// The layout of NtQuerySystemInformation's handle table (class 16), which the SDK does not declare.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr ULONG kMaxTableBytes = 64u << 20;
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

bool CountHandlesInTable(DWORD pid, DWORD& count) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return false;
    const auto query =
        reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (query == nullptr) return false;
    std::vector<unsigned char> buffer(1u << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch && buffer.size() < kMaxTableBytes) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) return false;
        break;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const std::size_t room = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    const std::size_t entries = table->count < room ? table->count : room;
    count = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        if (table->entries[i].ownerPid == pid) ++count;
    }
    return count != 0;
}

void Report(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (process == nullptr) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    DWORD gdi = 0;
    DWORD user = 0;
    DWORD handles = 0;
    bool handlesKnown = false;
    if (process != nullptr) {
        gdi = GetGuiResources(process, GR_GDIOBJECTS);
        user = GetGuiResources(process, GR_USEROBJECTS);
        handlesKnown = GetProcessHandleCount(process, &handles) != FALSE && handles != 0;
        CloseHandle(process);
    }
    if (!handlesKnown) handlesKnown = CountHandlesInTable(pid, handles);
    std::printf("pid=%lu gdi=%s user=%s handles=%s\n", static_cast<unsigned long>(pid), Count(gdi, gdi != 0).c_str(),
                Count(user, user != 0).c_str(), Count(handles, handlesKnown).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: process-resources IMAGE\n");
        return 2;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "process-resources: no process list\n");
        return 1;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
        if (!SameName(entry.szExeFile, argv[1])) continue;
        Report(entry.th32ProcessID);
        ++found;
    }
    CloseHandle(snapshot);
    std::fflush(stdout);
    if (found == 0) {
        std::fprintf(stderr, "process-resources: no process \"%s\"\n", argv[1]);
        return 1;
    }
    return 0;
}
