// The settings through the real stores: "orvane.ini" in the Windows directory, section "boot",
// and the per-user values under HKEY_CURRENT_USER\Software\Orvane. Every case puts back what
// both held before it, so a developer's own settings (or another test's) survive the run.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "windows/config_dialog.h"
#include "windows/settings.h"
#include "windows/saver_module.h"

namespace {

constexpr char kAbsent[] = "\x01(absent)";

std::string RawValue(const char* key) {
    char text[512] = "";
    GetPrivateProfileStringA(kSettingsSection, key, kAbsent, text, sizeof text, kSettingsFile);
    return text;
}

void WriteRaw(const char* key, const char* value) {
    WritePrivateProfileStringA(kSettingsSection, key, value, kSettingsFile);
}

// A per-user value as it is stored, to put back exactly.
struct UserValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

UserValue ReadUserRaw(const char* key) {
    UserValue value;
    DWORD length = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kUserSettingsKey, key, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr,
                     &length) != ERROR_SUCCESS) {
        return value;
    }
    value.data.resize(length);
    value.present = RegGetValueA(HKEY_CURRENT_USER, kUserSettingsKey, key, RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                                 value.data.data(), &length) == ERROR_SUCCESS;
    value.data.resize(length);
    return value;
}

void WriteUserRaw(const char* key, DWORD type, const void* data, DWORD length) {
    HKEY store = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &store, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(store, key, 0, type, static_cast<const BYTE*>(data), length), ERROR_SUCCESS);
    RegCloseKey(store);
}

void WriteUserText(const char* key, const char* text) {
    WriteUserRaw(key, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void RemoveUserValue(const char* key) { RegDeleteKeyValueA(HKEY_CURRENT_USER, kUserSettingsKey, key); }

std::string UserText(const char* key) {
    const UserValue value = ReadUserRaw(key);
    if (!value.present) return kAbsent;
    return std::string(value.data.begin(), value.data.end()).c_str();
}

// Remembers the listed keys in the file and in the per-user store (and whether they existed)
// and the current directory, and puts them back at the end. The per-user values are removed
// meanwhile, so that a case starts with the file alone.
class SavedSettings {
public:
    explicit SavedSettings(std::vector<std::string> keys) : keys_(std::move(keys)) {
        for (const std::string& key : keys_) {
            values_.push_back(RawValue(key.c_str()));
            userValues_.push_back(ReadUserRaw(key.c_str()));
            RemoveUserValue(key.c_str());
        }
        char directory[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof directory, directory);
        directory_ = directory;
    }
    ~SavedSettings() {
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            const bool absent = values_[i] == kAbsent;
            WriteRaw(keys_[i].c_str(), absent ? nullptr : values_[i].c_str());
            const UserValue& user = userValues_[i];
            if (user.present) {
                WriteUserRaw(keys_[i].c_str(), user.type, user.data.data(), static_cast<DWORD>(user.data.size()));
            } else {
                RemoveUserValue(keys_[i].c_str());
            }
        }
        SetCurrentDirectoryA(directory_.c_str());
    }
    SavedSettings(const SavedSettings&) = delete;
    SavedSettings& operator=(const SavedSettings&) = delete;

private:
    std::vector<std::string> keys_;
    std::vector<std::string> values_;
    std::vector<UserValue> userValues_;
    std::string directory_;
};

std::vector<std::string> UserKeysAnd(std::vector<std::string> more) {
    more.insert(more.end(), kUserSettingKeys.begin(), kUserSettingKeys.end());
    return more;
}

// Keys of this process only, so that parallel runs do not read each other's values.
std::string TestKey(const char* what) {
    return std::string("OrvaneTest") + what + std::to_string(GetCurrentProcessId());
}

TEST(SettingsFileTest, IntegersRoundTripAsDecimalText) {
    const std::string key = TestKey("Int");
    SavedSettings saved({key});
    for (std::int32_t value : {0, 10, -7, 2147483647, static_cast<std::int32_t>(-2147483647 - 1)}) {
        WriteIntSetting(key.c_str(), value);
        EXPECT_EQ(ReadIntSetting(key.c_str()), value);
    }
    WriteIntSetting(key.c_str(), -42);
    EXPECT_EQ(RawValue(key.c_str()), "-42");
}

TEST(SettingsFileTest, MissingEmptyAndMalformedIntegers) {
    const std::string key = TestKey("Odd");
    SavedSettings saved({key});
    WriteRaw(key.c_str(), nullptr);
    EXPECT_EQ(ReadIntSetting(key.c_str()), 0) << "missing key";
    WriteRaw(key.c_str(), "");
    EXPECT_EQ(ReadIntSetting(key.c_str()), 0) << "empty value";
    WriteRaw(key.c_str(), "12abc");
    EXPECT_EQ(ReadIntSetting(key.c_str()), 12);
    WriteRaw(key.c_str(), "abc");
    EXPECT_EQ(ReadIntSetting(key.c_str()), 0);
    WriteRaw(key.c_str(), "99999999999");
    EXPECT_EQ(ReadIntSetting(key.c_str()), 1215752191);
}

TEST(SettingsFileTest, LongTextIsCutTo127Characters) {
    const std::string key = TestKey("Text");
    SavedSettings saved({key});
    std::string longDirectory = "C:\\";
    for (int i = 0; longDirectory.size() < 200; ++i) longDirectory += static_cast<char>('a' + i % 26);
    WriteRaw(key.c_str(), longDirectory.c_str());

    char buffer[kSettingTextSize + 8];
    std::memset(buffer, 'x', sizeof buffer);
    ReadTextSetting(key.c_str(), buffer, kSettingTextSize);
    EXPECT_EQ(std::string(buffer), longDirectory.substr(0, 127));
    for (std::size_t i = kSettingTextSize; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 'x') << i;

    WriteRaw(key.c_str(), nullptr);
    std::memset(buffer, 'x', sizeof buffer);
    ReadTextSetting(key.c_str(), buffer, kSettingTextSize);
    EXPECT_STREQ(buffer, "") << "a missing text reads empty";
}

TEST(SettingsFileTest, ReadSettingsFillsAllFourAndEntersTheClientDirectory) {
    SavedSettings saved({"Blank", "Minutes", "ClientPath", "ClientDir"});
    char temp[MAX_PATH] = "";
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    std::string clientDir = temp;
    while (!clientDir.empty() && clientDir.back() == '\\') clientDir.pop_back();
    ASSERT_FALSE(clientDir.empty());
    SetCurrentDirectoryA("C:\\");

    WriteRaw("Blank", "1");
    WriteRaw("Minutes", "15");
    WriteRaw("ClientPath", "C:\\Orvane\\client.exe");
    WriteRaw("ClientDir", clientDir.c_str());
    ReadSettings();
    EXPECT_EQ(gBlank, 1);
    EXPECT_EQ(gMinutes, 15);
    EXPECT_STREQ(gClientPath, "C:\\Orvane\\client.exe");
    EXPECT_EQ(std::string(gClientDir), clientDir);
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, clientDir.c_str()), 0) << current;

    // With no directory named the current one is left where it was.
    WriteRaw("ClientDir", nullptr);
    WriteRaw("Blank", nullptr);
    SetCurrentDirectoryA("C:\\");
    ReadSettings();
    EXPECT_EQ(gBlank, 0);
    EXPECT_STREQ(gClientDir, "");
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, "C:\\"), 0) << current;
}

TEST(SettingsFileTest, DisplayKeysAreReadWithTheOthersAndBadValuesFallBack) {
    SavedSettings saved({"Monitors", "Scale", "Shift", "ClientDir"});
    WriteRaw("ClientDir", nullptr);
    const struct {
        const char* what;
        const char* monitors;  // nullptr: the key is missing
        const char* scale;
        const char* shift;
        PlacementOptions read;
    } cases[] = {
        {"missing keys give the defaults", nullptr, nullptr, nullptr, {MonitorChoice::Primary, 0, false}},
        {"each key given", "All", "3", "1", {MonitorChoice::All, 3, true}},
        {"an unknown choice, and a factor past 8 follows the DPI", "both", "12", "0", {MonitorChoice::Primary, 0, false}},
    };
    gPlacementOptions = PlacementOptions{MonitorChoice::All, 5, true};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRaw("Monitors", c.monitors);
        WriteRaw("Scale", c.scale);
        WriteRaw("Shift", c.shift);
        ReadSettings();
        EXPECT_EQ(gPlacementOptions.monitors, c.read.monitors);
        EXPECT_EQ(gPlacementOptions.scale, c.read.scale);
        EXPECT_EQ(gPlacementOptions.shift, c.read.shift);
    }
}

TEST(SettingsStoresTest, PerUserValuesWinAndMissingOnesFallBackToTheFile) {
    SavedSettings saved(UserKeysAnd({"ClientPath", "ClientDir"}));
    WriteRaw("ClientDir", nullptr);
    WriteRaw("ClientPath", "C:\\Machine\\client.exe");
    WriteRaw("Blank", "1");
    WriteRaw("Minutes", "5");
    WriteRaw("Monitors", "primary");
    WriteRaw("Scale", "2");
    WriteRaw("Shift", "0");
    WriteUserText("Minutes", "9");
    WriteUserText("Monitors", "all");
    const DWORD on = 1;
    WriteUserRaw("Shift", REG_DWORD, &on, sizeof on);  // a number, as a hand-made value may be
    ReadSettings();
    EXPECT_EQ(gBlank, 1) << "no per-user value: the file's";
    EXPECT_EQ(gMinutes, 9);
    EXPECT_EQ(gPlacementOptions.monitors, MonitorChoice::All);
    EXPECT_EQ(gPlacementOptions.scale, 2) << "no per-user value: the file's";
    EXPECT_TRUE(gPlacementOptions.shift);

    // An empty per-user text is the user's choice too, and reads as 0 as an empty key does.
    WriteUserText("Blank", "");
    RemoveUserValue("Minutes");
    ReadSettings();
    EXPECT_EQ(gBlank, 0);
    EXPECT_EQ(gMinutes, 5) << "the per-user value gone, the file's shows again";
}

TEST(SettingsStoresTest, TheClientsLocationIsNeverTakenFromTheUser) {
    SavedSettings saved({"ClientPath", "ClientDir"});
    WriteRaw("ClientPath", "C:\\Machine\\client.exe");
    WriteRaw("ClientDir", nullptr);
    WriteUserText("ClientPath", "C:\\Elsewhere\\other.exe");
    WriteUserText("ClientDir", "C:\\Elsewhere");
    ReadSettings();
    EXPECT_STREQ(gClientPath, "C:\\Machine\\client.exe");
    EXPECT_STREQ(gClientDir, "");
}

// A dialog with the two controls the procedure works on, made from an in-memory template so
// that the test does not depend on the module's resources.
class SettingsDialog {
public:
    SettingsDialog() {
        Words words;
        words.Dword(WS_POPUP);
        words.Dword(0);
        words.Word(2);  // controls
        words.Word(0), words.Word(0), words.Word(189), words.Word(82);
        words.Word(0), words.Word(0), words.Word(0);  // no menu, default class, no title
        AddControl(words, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, kMinutesEditId, 0x0081);
        AddControl(words, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, kBlankCheckId, 0x0080);
        dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<const DLGTEMPLATE*>(words.data.data()), nullptr,
                                             &Procedure, 0);
    }
    // The module's own dialog 2003, every control in it, shown as the platform shows it.
    explicit SettingsDialog(HMODULE resources) {
        dialog_ = CreateDialogParamA(resources, MAKEINTRESOURCEA(kSettingsDialogId), nullptr, &Procedure, 0);
        if (dialog_ != nullptr) ShowWindow(dialog_, SW_SHOWNOACTIVATE);
    }
    ~SettingsDialog() {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
    }
    // One made from the template starts hidden; false when there is no dialog to show.
    bool Show() { return dialog_ != nullptr && (ShowWindow(dialog_, SW_SHOWNOACTIVATE), true); }
    // EndDialog hides a dialog that runs without a modal loop of its own.
    bool Open() const { return IsWindowVisible(dialog_) != FALSE; }
    int Selection(int id) const { return static_cast<int>(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0)); }
    void Select(int id, int index) { SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    bool IsChecked(int id) const { return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Check(int id, bool on) { SendDlgItemMessageA(dialog_, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    HWND handle() const { return dialog_; }
    std::string MinutesText() const {
        char text[64] = "";
        GetDlgItemTextA(dialog_, kMinutesEditId, text, sizeof text);
        return text;
    }
    std::string FieldText(int id) const {
        char text[64] = "";
        GetDlgItemTextA(dialog_, id, text, sizeof text);
        return text;
    }
    bool BlankChecked() const { return SendDlgItemMessageA(dialog_, kBlankCheckId, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // What the user types or ticks, before a button.
    void Enter(const char* minutes) { SetDlgItemTextA(dialog_, kMinutesEditId, minutes); }
    void Enter(const char* minutes, bool blank) {
        Enter(minutes);
        Check(kBlankCheckId, blank);
    }
    LRESULT Command(int id) { return SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

private:
    struct Words {
        std::vector<WORD> data;
        void Word(WORD w) { data.push_back(w); }
        void Dword(DWORD d) {
            Word(LOWORD(d));
            Word(HIWORD(d));
        }
    };
    static void AddControl(Words& words, DWORD style, int id, WORD atom) {
        if (words.data.size() % 2 != 0) words.Word(0);  // items start on a DWORD boundary
        words.Dword(style);
        words.Dword(0);
        words.Word(10), words.Word(10), words.Word(60), words.Word(14);
        words.Word(static_cast<WORD>(id));
        words.Word(0xFFFF), words.Word(atom);
        words.Word(0);  // no text
        words.Word(0);  // no creation data
    }
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
    }

    HWND dialog_ = nullptr;
};

// Every per-user value and the client's location are put back after each case; the file names
// no client directory, so that reading the settings leaves the current one alone.
class ConfigDialogTest : public testing::Test {
protected:
    ConfigDialogTest() { WriteRaw("ClientDir", nullptr); }
    // The two values of the file that the small dialog shows.
    static void FileHolds(const char* blank, const char* minutes) {
        WriteRaw("Blank", blank);
        WriteRaw("Minutes", minutes);
    }

    SavedSettings saved_{UserKeysAnd({"ClientPath", "ClientDir"})};
};

TEST_F(ConfigDialogTest, OpensWithTheFileValues) {
    FileHolds("1", "-1");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    EXPECT_EQ(dialog.MinutesText(), "4294967295") << "a negative value shows unsigned";
    EXPECT_TRUE(dialog.BlankChecked());
}

TEST_F(ConfigDialogTest, OkWritesBothValues) {
    FileHolds("0", "3");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    EXPECT_EQ(dialog.MinutesText(), "3");
    EXPECT_FALSE(dialog.BlankChecked());

    dialog.Enter("25", true);
    dialog.Command(IDOK);
    EXPECT_EQ(UserText("Blank"), "1");
    EXPECT_EQ(UserText("Minutes"), "25");
    // The file as well, where it can be written (here it can).
    EXPECT_EQ(RawValue("Blank"), "1");
    EXPECT_EQ(RawValue("Minutes"), "25");
    EXPECT_EQ(gBlank, 1);
    EXPECT_EQ(gMinutes, 25);
}

TEST_F(ConfigDialogTest, OkWithAnEmptyFieldWritesZero) {
    FileHolds("1", "8");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    dialog.Enter("", false);
    dialog.Command(IDOK);
    EXPECT_EQ(RawValue("Minutes"), "0");
    EXPECT_EQ(RawValue("Blank"), "0");
}

TEST_F(ConfigDialogTest, CancelAndOtherCommandsWriteNothing) {
    FileHolds("0", "3");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    dialog.Enter("99", true);

    EXPECT_FALSE(ScreenSaverConfigureDialog(dialog.handle(), WM_COMMAND, MAKEWPARAM(kMinutesEditId, EN_CHANGE), 0));
    EXPECT_FALSE(ScreenSaverConfigureDialog(dialog.handle(), WM_MOUSEMOVE, 0, 0));
    EXPECT_EQ(RawValue("Minutes"), "3");

    EXPECT_TRUE(ScreenSaverConfigureDialog(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    EXPECT_EQ(RawValue("Blank"), "0");
    EXPECT_EQ(RawValue("Minutes"), "3");
}

// Orvane.scr's resources, for its own dialog.
class SaverResources {
public:
    SaverResources() : module_(LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~SaverResources() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    SaverResources(const SaverResources&) = delete;
    SaverResources& operator=(const SaverResources&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

TEST_F(ConfigDialogTest, DisplaySettingsShowAndOkKeepsThemForTheUser) {
    WriteRaw("Monitors", "primary");
    WriteRaw("Scale", "0");
    WriteUserText("Scale", "3");
    WriteUserText("Shift", "1");
    SaverResources resources;
    ASSERT_NE(resources.get(), nullptr) << SaverPath();
    {
        SettingsDialog dialog(resources.get());
        ASSERT_NE(dialog.handle(), nullptr) << "error " << GetLastError();
        EXPECT_EQ(dialog.Selection(kMonitorsListId), 0) << "the primary only";
        EXPECT_EQ(SendDlgItemMessageA(dialog.handle(), kMonitorsListId, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(dialog.Selection(kScaleListId), 3) << "the per-user factor over the file's automatic";
        EXPECT_EQ(SendDlgItemMessageA(dialog.handle(), kScaleListId, CB_GETCOUNT, 0, 0), 9) << "automatic, 1 to 8";
        EXPECT_TRUE(dialog.IsChecked(kShiftCheckId));

        dialog.Select(kMonitorsListId, 1);
        dialog.Select(kScaleListId, 0);
        dialog.Check(kShiftCheckId, false);
        dialog.Command(IDOK);
        EXPECT_FALSE(dialog.Open());
    }
    EXPECT_EQ(UserText("Monitors"), "all");
    EXPECT_EQ(UserText("Scale"), "0");
    EXPECT_EQ(UserText("Shift"), "0");
    EXPECT_EQ(RawValue("Monitors"), "all");
    ReadSettings();
    EXPECT_EQ(gPlacementOptions.monitors, MonitorChoice::All);
    EXPECT_EQ(gPlacementOptions.scale, 0);
    EXPECT_FALSE(gPlacementOptions.shift);

    // Reopened, the dialog shows what OK kept.
    SettingsDialog again(resources.get());
    ASSERT_NE(again.handle(), nullptr);
    EXPECT_EQ(again.Selection(kMonitorsListId), 1);
    EXPECT_EQ(again.Selection(kScaleListId), 0);
    EXPECT_FALSE(again.IsChecked(kShiftCheckId));
}

TEST_F(ConfigDialogTest, ClientSettingsShowAndOkKeepsThemForTheUser) {
    WriteRaw("Clients", "Rotate");
    WriteRaw("RotateSeconds", "2");
    WriteRaw("StaleMinutes", "45");
    WriteUserText("StaleMinutes", "30");
    SaverResources resources;
    ASSERT_NE(resources.get(), nullptr) << SaverPath();
    {
        SettingsDialog dialog(resources.get());
        ASSERT_NE(dialog.handle(), nullptr) << "error " << GetLastError();
        EXPECT_EQ(dialog.Selection(kClientsListId), 1) << "each in turn";
        EXPECT_EQ(SendDlgItemMessageA(dialog.handle(), kClientsListId, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(dialog.FieldText(kRotateEditId), "5") << "a period below the range shows as its least";
        EXPECT_EQ(dialog.FieldText(kStaleEditId), "30") << "the per-user value over the file's";

        dialog.Select(kClientsListId, 2);
        SetDlgItemTextA(dialog.handle(), kRotateEditId, "7200");
        SetDlgItemTextA(dialog.handle(), kStaleEditId, "");
        dialog.Command(IDOK);
        EXPECT_FALSE(dialog.Open());
    }
    EXPECT_EQ(UserText("Clients"), "overview");
    EXPECT_EQ(UserText("RotateSeconds"), "3600") << "a period past the range is kept as its most";
    EXPECT_EQ(UserText("StaleMinutes"), "30") << "an emptied field keeps what it showed";
    EXPECT_EQ(RawValue("Clients"), "overview");
    ReadSettings();
    EXPECT_EQ(gClientsSettings, (ClientsSettings{ClientsMode::Overview, 3600, 30}));

    // A dialog without these controls leaves the choices as they were read.
    SettingsDialog small;
    ASSERT_NE(small.handle(), nullptr);
    small.Enter("7");
    small.Command(IDOK);
    EXPECT_EQ(UserText("Minutes"), "7");
    EXPECT_EQ(UserText("Clients"), "overview");
    EXPECT_EQ(UserText("RotateSeconds"), "3600");
    EXPECT_EQ(UserText("StaleMinutes"), "30");
}

// Makes HKEY_CURRENT_USER\Software\Orvane readable but not writable, as a store whose writes
// fail, and puts its own security back at the end.
class ReadOnlyUserStore {
public:
    ReadOnlyUserStore() {
        HKEY store = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &store,
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        DWORD size = 0;
        RegGetKeySecurity(store, DACL_SECURITY_INFORMATION, nullptr, &size);
        original_.resize(size);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        // Read, delete and change the security; no values set, no subkeys made.
        if (size > 0 &&
            RegGetKeySecurity(store, DACL_SECURITY_INFORMATION, original_.data(), &size) == ERROR_SUCCESS &&
            ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRSDWD;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                 nullptr)) {
            locked_ = RegSetKeySecurity(store, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
            LocalFree(readOnly);
        }
        RegCloseKey(store);
    }
    ~ReadOnlyUserStore() {
        HKEY store = nullptr;
        if (!locked_ || RegOpenKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, WRITE_DAC, &store) != ERROR_SUCCESS) return;
        RegSetKeySecurity(store, DACL_SECURITY_INFORMATION, original_.data());
        RegCloseKey(store);
    }
    ReadOnlyUserStore(const ReadOnlyUserStore&) = delete;
    ReadOnlyUserStore& operator=(const ReadOnlyUserStore&) = delete;
    bool locked() const { return locked_; }

private:
    std::vector<BYTE> original_;
    bool locked_ = false;
};

// Finds the message box that this thread shows, keeps its text and presses its OK: the test's
// stand-in for the user who reads it.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : owner_(GetCurrentThreadId()), worker_([this] { Run(); }) {}
    ~MessageBoxAnswerer() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    // What the box said; empty until one has been answered.
    std::string Text() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
        return text_;
    }

private:
    void Run() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            HWND found = nullptr;
            EnumThreadWindows(
                owner_,
                [](HWND window, LPARAM out) -> BOOL {
                    char name[32] = "";
                    GetClassNameA(window, name, sizeof name);
                    if (lstrcmpA(name, "#32770") != 0 || GetDlgItem(window, 0xFFFF) == nullptr) return TRUE;
                    *reinterpret_cast<HWND*>(out) = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&found));
            if (found != nullptr) {
                char text[512] = "";
                GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
                text_ = text;
                PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    DWORD owner_;
    std::atomic<bool> stop_{false};
    std::string text_;
    std::thread worker_;
};

TEST_F(ConfigDialogTest, AStoreThatRefusesWritesFallsBackToTheFileOrSaysSo) {
    FileHolds("0", "3");
    {
        // Nothing per-user to hide the file: the file takes the values, and they are kept.
        ReadOnlyUserStore readOnly;
        ASSERT_TRUE(readOnly.locked());
        SettingsDialog dialog;
        ASSERT_TRUE(dialog.Show());
        dialog.Enter("6");
        dialog.Command(IDOK);
        EXPECT_FALSE(dialog.Open());
        EXPECT_EQ(RawValue("Minutes"), "6");
        EXPECT_EQ(UserText("Minutes"), kAbsent);
    }

    // An older per-user value that the store will not let OK replace would hide what the file
    // took: the user is told, the dialog stays open with the edited values, and what the
    // settings read is unchanged.
    WriteUserText("Minutes", "4");
    ReadOnlyUserStore readOnly;
    ASSERT_TRUE(readOnly.locked());
    SettingsDialog dialog;
    ASSERT_TRUE(dialog.Show());
    EXPECT_EQ(dialog.MinutesText(), "4");
    dialog.Enter("11");
    std::string told;
    {
        MessageBoxAnswerer answerer;
        dialog.Command(IDOK);
        told = answerer.Text();
    }
    EXPECT_NE(told.find("could not be saved"), std::string::npos) << "no message, or another: " << told;
    EXPECT_TRUE(dialog.Open());
    EXPECT_EQ(dialog.MinutesText(), "11") << "the edited value stays in the dialog";
    EXPECT_EQ(UserText("Minutes"), "4");
    EXPECT_EQ(ReadIntSetting("Minutes"), 4);
}

}  // namespace
