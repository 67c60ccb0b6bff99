// A pointer for the Wayland tests: a headless compositor has no input devices, so this adds one
// through the compositor's virtual-pointer protocol and moves it as told, one command a line on
// stdin, answering "ok" once the compositor has taken it:
//
//   at X Y W H     to (X, Y) of a layout W x H pixels
//   move DX DY     by (DX, DY) pixels
//   click          the left button, pressed and released
//
// Debian packages no file for that protocol, so its two interfaces are described here by hand:
// only the requests this program sends, in the protocol's order.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const wl_interface* kNoTypes[8] = {};

extern const wl_interface kVirtualPointer;
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kVirtualPointer};

const wl_message kPointerRequests[] = {
    {"motion", "uff", kNoTypes},
    {"motion_absolute", "uuuuu", kNoTypes},
    {"button", "uuu", kNoTypes},
    {"axis", "uuf", kNoTypes},
    {"frame", "", kNoTypes},
    {"axis_source", "u", kNoTypes},
    {"axis_stop", "uu", kNoTypes},
    {"axis_discrete", "uufi", kNoTypes},
    {"destroy", "", kNoTypes},
};
const wl_message kManagerRequests[] = {
    {"create_virtual_pointer", "?on", kCreateTypes},
    {"destroy", "", kNoTypes},
};
const wl_interface kVirtualPointer = {"zwlr_virtual_pointer_v1", 1, 9, kPointerRequests, 0, nullptr};
const wl_interface kPointerManager = {"zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};

enum : std::uint32_t { kMotion = 0, kMotionAbsolute = 1, kButton = 2, kFrame = 4 };
constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT

wl_proxy* gManager = nullptr;

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, kPointerManager.name) == 0)
        gManager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kPointerManager, 1));
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

std::uint32_t NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wayland-test-pointer: cannot connect to the Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (gManager == nullptr) {
        std::fprintf(stderr, "wayland-test-pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_proxy* pointer = wl_proxy_marshal_constructor(gManager, 0, &kVirtualPointer, nullptr, nullptr);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        unsigned x = 0, y = 0, w = 0, h = 0;
        int dx = 0, dy = 0;
        if (std::sscanf(line, "at %u %u %u %u", &x, &y, &w, &h) == 4) {
            wl_proxy_marshal(pointer, kMotionAbsolute, NowMs(), x, y, w, h);
        } else if (std::sscanf(line, "move %d %d", &dx, &dy) == 2) {
            wl_proxy_marshal(pointer, kMotion, NowMs(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
        } else if (std::strncmp(line, "click", 5) == 0) {
            wl_proxy_marshal(pointer, kButton, NowMs(), kLeftButton, 1u);
            wl_proxy_marshal(pointer, kFrame);
            wl_proxy_marshal(pointer, kButton, NowMs(), kLeftButton, 0u);
        } else {
            std::fprintf(stderr, "wayland-test-pointer: what is '%s'?\n", line);
            return 2;
        }
        wl_proxy_marshal(pointer, kFrame);
        if (wl_display_roundtrip(display) < 0) return 1;
        std::printf("ok\n");
        std::fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
