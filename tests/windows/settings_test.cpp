// The settings through the real profile file: "orvane.ini" in the Windows directory, section
// "boot". Every case puts back what the file held before it, so a developer's own settings
// (or another test's) survive the run.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "controller/config_dialog.h"
#include "controller/settings.h"

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

// Remembers the listed keys (and whether they existed) and the current directory, and puts
// them back at the end.
class SavedSettings {
public:
    explicit SavedSettings(std::vector<std::string> keys) : keys_(std::move(keys)) {
        for (const std::string& key : keys_) values_.push_back(RawValue(key.c_str()));
        char directory[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof directory, directory);
        directory_ = directory;
    }
    ~SavedSettings() {
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            const bool absent = values_[i] == kAbsent;
            WriteRaw(keys_[i].c_str(), absent ? nullptr : values_[i].c_str());
        }
        SetCurrentDirectoryA(directory_.c_str());
    }
    SavedSettings(const SavedSettings&) = delete;
    SavedSettings& operator=(const SavedSettings&) = delete;

private:
    std::vector<std::string> keys_;
    std::vector<std::string> values_;
    std::string directory_;
};

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
    WriteRaw("Monitors", nullptr);
    WriteRaw("Scale", nullptr);
    WriteRaw("Shift", nullptr);
    gPlacementOptions = PlacementOptions{MonitorChoice::All, 5, true};
    ReadSettings();
    EXPECT_EQ(gPlacementOptions.monitors, MonitorChoice::Primary) << "missing keys give the defaults";
    EXPECT_EQ(gPlacementOptions.scale, 0);
    EXPECT_FALSE(gPlacementOptions.shift);

    WriteRaw("Monitors", "All");
    WriteRaw("Scale", "3");
    WriteRaw("Shift", "1");
    ReadSettings();
    EXPECT_EQ(gPlacementOptions.monitors, MonitorChoice::All);
    EXPECT_EQ(gPlacementOptions.scale, 3);
    EXPECT_TRUE(gPlacementOptions.shift);

    WriteRaw("Monitors", "both");
    WriteRaw("Scale", "12");
    WriteRaw("Shift", "0");
    ReadSettings();
    EXPECT_EQ(gPlacementOptions.monitors, MonitorChoice::Primary);
    EXPECT_EQ(gPlacementOptions.scale, 0) << "a factor past 8 follows the DPI";
    EXPECT_FALSE(gPlacementOptions.shift);
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
    ~SettingsDialog() {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
    }
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    HWND handle() const { return dialog_; }
    std::string MinutesText() const {
        char text[64] = "";
        GetDlgItemTextA(dialog_, kMinutesEditId, text, sizeof text);
        return text;
    }
    bool BlankChecked() const { return SendDlgItemMessageA(dialog_, kBlankCheckId, BM_GETCHECK, 0, 0) == BST_CHECKED; }
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

TEST(ConfigDialogTest, OpensWithTheFileValues) {
    SavedSettings saved({"Blank", "Minutes", "ClientPath", "ClientDir"});
    WriteRaw("ClientDir", nullptr);
    WriteRaw("Blank", "1");
    WriteRaw("Minutes", "-1");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    EXPECT_EQ(dialog.MinutesText(), "4294967295") << "a negative value shows unsigned";
    EXPECT_TRUE(dialog.BlankChecked());
}

TEST(ConfigDialogTest, OkWritesBothValues) {
    SavedSettings saved({"Blank", "Minutes", "ClientPath", "ClientDir"});
    WriteRaw("ClientDir", nullptr);
    WriteRaw("Blank", "0");
    WriteRaw("Minutes", "3");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    EXPECT_EQ(dialog.MinutesText(), "3");
    EXPECT_FALSE(dialog.BlankChecked());

    SetDlgItemTextA(dialog.handle(), kMinutesEditId, "25");
    SendDlgItemMessageA(dialog.handle(), kBlankCheckId, BM_SETCHECK, BST_CHECKED, 0);
    dialog.Command(IDOK);
    EXPECT_EQ(RawValue("Blank"), "1");
    EXPECT_EQ(RawValue("Minutes"), "25");
    EXPECT_EQ(gBlank, 1);
    EXPECT_EQ(gMinutes, 25);
}

TEST(ConfigDialogTest, OkWithAnEmptyFieldWritesZero) {
    SavedSettings saved({"Blank", "Minutes", "ClientPath", "ClientDir"});
    WriteRaw("ClientDir", nullptr);
    WriteRaw("Blank", "1");
    WriteRaw("Minutes", "8");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    SetDlgItemTextA(dialog.handle(), kMinutesEditId, "");
    SendDlgItemMessageA(dialog.handle(), kBlankCheckId, BM_SETCHECK, BST_UNCHECKED, 0);
    dialog.Command(IDOK);
    EXPECT_EQ(RawValue("Minutes"), "0");
    EXPECT_EQ(RawValue("Blank"), "0");
}

TEST(ConfigDialogTest, CancelAndOtherCommandsWriteNothing) {
    SavedSettings saved({"Blank", "Minutes", "ClientPath", "ClientDir"});
    WriteRaw("ClientDir", nullptr);
    WriteRaw("Blank", "0");
    WriteRaw("Minutes", "3");
    SettingsDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr) << "a dialog needs a display (DISPLAY under Wine)";
    SetDlgItemTextA(dialog.handle(), kMinutesEditId, "99");
    SendDlgItemMessageA(dialog.handle(), kBlankCheckId, BM_SETCHECK, BST_CHECKED, 0);

    EXPECT_FALSE(ScreenSaverConfigureDialog(dialog.handle(), WM_COMMAND, MAKEWPARAM(kMinutesEditId, EN_CHANGE), 0));
    EXPECT_FALSE(ScreenSaverConfigureDialog(dialog.handle(), WM_MOUSEMOVE, 0, 0));
    EXPECT_EQ(RawValue("Minutes"), "3");

    EXPECT_TRUE(ScreenSaverConfigureDialog(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    EXPECT_EQ(RawValue("Blank"), "0");
    EXPECT_EQ(RawValue("Minutes"), "3");
}

}  // namespace
