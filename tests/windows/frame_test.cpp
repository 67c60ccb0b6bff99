// The host frame on a real window manager: mode letters that end the process without showing
// anything, the dismissal and password rules of the default procedure, and a preview run through
// the whole message chain inside a parent window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "windows/frame.h"
#include "windows/frame_logic.h"

namespace {

constexpr char kSaverClassName[] = "WindowsScreenSaverClass";
constexpr char kProbeClassName[] = "OrvaneFrameProbe";
constexpr char kParentClassName[] = "OrvaneFrameParent";

void ResetFrameState() {
    gInstance = GetModuleHandleA(nullptr);
    gIsWin9x = 0;
    gMainWindow = nullptr;
    gChildPreview = 0;
    gClosing = 0;
    gVerifying = 0;
    gLastVerifyTick = kNoVerifyYet;
    gInitialCursor = POINT{0, 0};
    gVerifierLibrary = nullptr;
    gVerifyPassword = nullptr;
    gAutoPlayMessage = 0;
}

int RunSaverMain(const std::string& arguments) {
    return SaverMain(GetModuleHandleA(nullptr), nullptr, arguments.c_str(), SW_SHOWDEFAULT);
}

std::string Number(HWND window) {
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
}

// A window whose procedure is the frame's default procedure alone, so that each rule can be
// driven by a direct call and its effect read back from the message queue.
class DefaultProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFrameState();
        WNDCLASSA probe{};
        probe.lpfnWndProc = SaverDefaultProc;
        probe.hInstance = GetModuleHandleA(nullptr);
        probe.lpszClassName = kProbeClassName;
        RegisterClassA(&probe);
        // Invisible, so that creation brings no activation or show message that a rule acts on.
        window = CreateWindowExA(0, kProbeClassName, "probe", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        ClosePosted();
        GetCursorPos(&gInitialCursor);
    }
    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        UnregisterClassA(kProbeClassName, GetModuleHandleA(nullptr));
        ResetFrameState();
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SaverDefaultProc(window, message, wParam, lParam);
    }
    bool ClosePosted() {
        MSG close;
        bool posted = false;
        while (PeekMessageA(&close, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) posted = true;
        return posted;
    }

    HWND window = nullptr;
};

TEST_F(DefaultProcTest, InputDeactivationAndPowerEventsClose) {
    const struct {
        UINT message;
        WPARAM wParam;
        bool closes;
    } cases[] = {
        {WM_KEYDOWN, 'A', true},          {WM_SYSKEYDOWN, VK_MENU, true}, {WM_LBUTTONDOWN, 0, true},
        {WM_RBUTTONDOWN, 0, true},        {WM_MBUTTONDOWN, 0, true},      {WM_POWERBROADCAST, 0, true},
        {WM_POWERBROADCAST, 7, true},     {WM_ACTIVATEAPP, 0, true},      {WM_ACTIVATEAPP, 1, false},
        {WM_POWER, PWR_CRITICALRESUME, true}, {WM_POWER, 1, false},       {WM_KEYUP, 'A', false},
        {WM_LBUTTONUP, 0, false},         {WM_MOUSEWHEEL, 0, false},
    };
    for (const auto& c : cases) {
        Send(c.message, c.wParam);
        EXPECT_EQ(ClosePosted(), c.closes) << "message 0x" << std::hex << c.message << " wParam " << c.wParam;
    }
}

TEST_F(DefaultProcTest, MouseMustTravelMoreThanFourPixels) {
    POINT now{};
    ASSERT_TRUE(GetCursorPos(&now));
    gInitialCursor = POINT{now.x - 2, now.y - 2};
    Send(WM_MOUSEMOVE);
    EXPECT_FALSE(ClosePosted());
    EXPECT_EQ(gInitialCursor.x, now.x - 2);

    gInitialCursor = POINT{now.x + 3, now.y - 2};
    Send(WM_MOUSEMOVE);
    EXPECT_TRUE(ClosePosted());
    // The reference moves to where the close was asked for.
    EXPECT_EQ(gInitialCursor.x, now.x);
    EXPECT_EQ(gInitialCursor.y, now.y);
}

TEST_F(DefaultProcTest, PreviewAndOpenPromptIgnoreInput) {
    gChildPreview = 1;
    for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_POWERBROADCAST}) Send(message);
    Send(WM_ACTIVATEAPP, 0);
    EXPECT_FALSE(ClosePosted());

    gChildPreview = 0;
    gVerifying = 1;
    for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_POWERBROADCAST}) Send(message);
    Send(WM_ACTIVATEAPP, 0);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(DefaultProcTest, CloseWithoutPasswordDestroysAtOnce) {
    Send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(DefaultProcTest, ClosingLetsInputThrough) {
    gClosing = 1;
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(DefaultProcTest, AutoPlayQueryClosesAndCancelsOnlyUnderPassword) {
    gAutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    ASSERT_NE(gAutoPlayMessage, 0u);
    EXPECT_EQ(Send(gAutoPlayMessage), 0);
    EXPECT_TRUE(ClosePosted());

    gVerifyPassword = [](HWND) -> BOOL { return FALSE; };
    EXPECT_EQ(Send(gAutoPlayMessage), 1);
    EXPECT_TRUE(ClosePosted());
}

// What the fake password prompt saw and answers.
struct PromptRecord {
    int calls = 0;
    HWND window = nullptr;
    int verifyingDuringPrompt = 0;
    bool tickWaiting = false;
    BOOL answer = FALSE;
};
PromptRecord gPrompt;

BOOL WINAPI FakePrompt(HWND window) {
    ++gPrompt.calls;
    gPrompt.window = window;
    gPrompt.verifyingDuringPrompt = gVerifying;
    MSG tick;
    gPrompt.tickWaiting = PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_NOREMOVE) != 0;
    return gPrompt.answer;
}

class PasswordTest : public DefaultProcTest {
protected:
    void SetUp() override {
        DefaultProcTest::SetUp();
        gIsWin9x = 1;
        gVerifyPassword = FakePrompt;
        gPrompt = PromptRecord{};
    }
};

TEST_F(PasswordTest, RightPasswordCloses) {
    // Two ticks already queued must not reach the controller from inside the prompt.
    PostMessageA(window, WM_TIMER, 1, 0);
    PostMessageA(window, WM_TIMER, 1, 0);
    gPrompt.answer = TRUE;
    Send(WM_CLOSE);
    EXPECT_EQ(gPrompt.calls, 1);
    EXPECT_EQ(gPrompt.window, window);
    EXPECT_EQ(gPrompt.verifyingDuringPrompt, 1);
    EXPECT_FALSE(gPrompt.tickWaiting);
    EXPECT_EQ(gClosing, 1);
    EXPECT_EQ(gVerifying, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordTest, WrongPasswordKeepsSaverAndResetsReference) {
    gInitialCursor = POINT{-5000, -5000};
    gPrompt.answer = FALSE;
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_EQ(gPrompt.calls, 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(gClosing, 0);
    EXPECT_EQ(gVerifying, 0);
    EXPECT_NE(gLastVerifyTick, kNoVerifyYet);
    POINT now{};
    GetCursorPos(&now);
    EXPECT_EQ(gInitialCursor.x, now.x);
    EXPECT_EQ(gInitialCursor.y, now.y);
}

TEST_F(PasswordTest, NoVerifierClosesWithoutPrompt) {
    gVerifyPassword = nullptr;
    Send(WM_CLOSE);
    EXPECT_EQ(gClosing, 1);
    EXPECT_FALSE(IsWindow(window));
}

// Start-up: texts that end the process with -1 before any window is made.
class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFrameState(); }
    void TearDown() override { ResetFrameState(); }
};

TEST_F(StartUpTest, UnknownLetterOrTabShowsNothing) {
    for (const char* text : {"/x", "\tS", "/?", "1"}) {
        EXPECT_EQ(RunSaverMain(text), kRejectedExitCode) << text;
        EXPECT_EQ(gMainWindow, nullptr) << text;
    }
}

TEST_F(StartUpTest, PreviewNeedsALiveWindow) {
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    for (const std::string& text : {std::string("/p"), std::string("/p 0"), std::string("P:123"), "/l " + Number(gone)}) {
        EXPECT_EQ(RunSaverMain(text), kRejectedExitCode) << text;
        EXPECT_EQ(gMainWindow, nullptr) << text;
    }
}

TEST_F(StartUpTest, PasswordChangeOnlyOnWin9x) {
    const int result = RunSaverMain("/a 123");
    // SaverMain learns the platform itself; Wine reports Windows 9x only when told to.
    EXPECT_EQ(result, gIsWin9x ? 0 : kRejectedExitCode);
}

TEST_F(StartUpTest, SecondFullScreenSaverDefersToTheRunningOne) {
    // A window that FindWindowA takes for a running saver.
    WNDCLASSA stand{};
    stand.lpfnWndProc = DefWindowProcA;
    stand.hInstance = GetModuleHandleA(nullptr);
    stand.lpszClassName = kSaverClassName;
    ASSERT_NE(RegisterClassA(&stand), 0);
    HWND running = CreateWindowExA(0, kSaverClassName, "Screen Saver", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(RunSaverMain("/s"), 0);
    EXPECT_EQ(gMainWindow, nullptr);

    // A preview while that class holds the name cannot register its own: no loop runs.
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 200, 150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(RunSaverMain("/p " + Number(parent)), kNoWindowQuitCode);
    EXPECT_EQ(gMainWindow, nullptr);

    DestroyWindow(parent);
    DestroyWindow(running);
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
}

// A preview run end to end: the parent's timer drives the checks from inside the saver's loop.
struct PreviewProbe {
    HWND parent = nullptr;
    HWND child = nullptr;
    int step = 0;
    std::string title;
    std::string titleAfterSetText;
    LONG_PTR style = 0;
    RECT childRect{};
    bool mainWindowIsChild = false;
    bool aliveAfterInput = false;
    LRESULT contextMenuResult = 0;
    int contextMenusSeen = 0;
    WPARAM contextMenuWParam = 0;
    LRESULT helpResult = 0;
    int helpRequestsSeen = 0;
    int helpContextSeen = 0;
    bool timedOut = false;
};
PreviewProbe gProbe;

constexpr UINT_PTR kProbeTimer = 77;
constexpr int kProbeGiveUpStep = 20;

std::string TitleOf(HWND window) {
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void ProbeFirstStep() {
    gProbe.child = FindWindowExA(gProbe.parent, nullptr, kSaverClassName, nullptr);
    if (gProbe.child == nullptr) return;
    gProbe.title = TitleOf(gProbe.child);
    gProbe.style = GetWindowLongPtrA(gProbe.child, GWL_STYLE);
    GetClientRect(gProbe.child, &gProbe.childRect);
    gProbe.mainWindowIsChild = gMainWindow == gProbe.child;
    // None of these may dismiss a preview.
    SendMessageA(gProbe.child, WM_KEYDOWN, 'A', 0);
    SendMessageA(gProbe.child, WM_SYSKEYDOWN, VK_MENU, 0);
    SendMessageA(gProbe.child, WM_LBUTTONDOWN, 0, 0);
    SendMessageA(gProbe.child, WM_RBUTTONDOWN, 0, 0);
    SendMessageA(gProbe.child, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    SendMessageA(gProbe.child, WM_ACTIVATEAPP, 0, 0);
    SendMessageA(gProbe.child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Changed"));
    gProbe.contextMenuResult =
        SendMessageA(gProbe.child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(gProbe.child), MAKELPARAM(5, 6));
    HELPINFO help{};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.dwContextId = 4242;
    gProbe.helpResult = SendMessageA(gProbe.child, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
}

void ProbeStep() {
    switch (gProbe.step++) {
    case 0:
        ProbeFirstStep();
        if (gProbe.child == nullptr) break;
        return;
    case 1:
        // Posted closes, had there been any, were delivered before this timer message.
        gProbe.aliveAfterInput = IsWindow(gProbe.child) != 0;
        gProbe.titleAfterSetText = TitleOf(gProbe.child);
        PostMessageA(gProbe.child, WM_CLOSE, 0, 0);
        return;
    }
    if (gProbe.step >= kProbeGiveUpStep) {
        gProbe.timedOut = true;
        PostQuitMessage(99);
    }
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kProbeTimer) ProbeStep();
        return 0;
    case WM_CONTEXTMENU:
        ++gProbe.contextMenusSeen;
        gProbe.contextMenuWParam = wParam;
        return 0;
    case WM_HELP:
        ++gProbe.helpRequestsSeen;
        gProbe.helpContextSeen = static_cast<int>(reinterpret_cast<const HELPINFO*>(lParam)->dwContextId);
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(StartUpTest, PreviewRunsInsideItsParentUntilClosed) {
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = ParentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.lpszClassName = kParentClassName;
    RegisterClassA(&parentClass);
    gProbe = PreviewProbe{};
    gProbe.parent = CreateWindowExA(0, kParentClassName, "settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 260,
                                    220, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(gProbe.parent, nullptr);
    RECT parentClient{};
    GetClientRect(gProbe.parent, &parentClient);
    SetTimer(gProbe.parent, kProbeTimer, 20, nullptr);

    const int result = RunSaverMain("/p " + Number(gProbe.parent));

    KillTimer(gProbe.parent, kProbeTimer);
    MSG leftover;
    while (PeekMessageA(&leftover, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&leftover);
    DestroyWindow(gProbe.parent);
    UnregisterClassA(kParentClassName, GetModuleHandleA(nullptr));
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));

    ASSERT_FALSE(gProbe.timedOut);
    ASSERT_NE(gProbe.child, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(gProbe.title, "Preview");
    EXPECT_EQ(gProbe.titleAfterSetText, "Preview");
    const LONG_PTR previewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    EXPECT_EQ(gProbe.style & previewStyle, previewStyle);
    EXPECT_EQ(gProbe.style & WS_POPUP, 0);
    EXPECT_EQ(gProbe.childRect.right, parentClient.right);
    EXPECT_EQ(gProbe.childRect.bottom, parentClient.bottom);
    EXPECT_TRUE(gProbe.mainWindowIsChild);
    EXPECT_TRUE(gProbe.aliveAfterInput);
    EXPECT_EQ(gProbe.contextMenuResult, 1);
    EXPECT_EQ(gProbe.contextMenusSeen, 1);
    EXPECT_EQ(gProbe.contextMenuWParam, reinterpret_cast<WPARAM>(gProbe.parent));
    // A help request in the preview reaches the settings window that hosts it.
    EXPECT_EQ(gProbe.helpResult, 1);
    EXPECT_EQ(gProbe.helpRequestsSeen, 1);
    EXPECT_EQ(gProbe.helpContextSeen, 4242);
}

}  // namespace
