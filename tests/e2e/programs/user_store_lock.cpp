// Makes the saver's per-user settings key, HKEY_CURRENT_USER\Software\Orvane, refuse every
// write, or takes that back, for the end-to-end test of a dialog whose settings cannot be
// saved anywhere. (Under Wine, as root, file modes stop nothing, but the registry's own
// security is enforced.)
//
//   user-store-lock lock     the key (made when missing) readable, deletable, nothing more
//   user-store-lock unlock   full access again
//
// Exit codes: 0; 1 when the key's security could not be changed; 2 for a wrong argument.
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "lock") != 0 && std::strcmp(argv[1], "unlock") != 0)) {
        std::fprintf(stderr, "usage: user-store-lock lock|unlock\n");
        return 2;
    }
    const bool lock = std::strcmp(argv[1], "lock") == 0;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvane", 0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "user-store-lock: cannot open the key (%ld)\n", result);
        return 1;
    }
    // Delete and the change of security stay allowed, so that the test can always undo it.
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(lock ? "D:P(A;;KRSDWD;;;WD)" : "D:(A;;KA;;;WD)",
                                                              SDDL_REVISION_1, &security, nullptr)) {
        RegCloseKey(key);
        return 1;
    }
    result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security);
    LocalFree(security);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "user-store-lock: cannot change the key's security (%ld)\n", result);
        return 1;
    }
    std::printf("%s\n", lock ? "locked" : "unlocked");
    return 0;
}
