// The built Orvane.scr as the platform sees it: the screen-saver mechanism calls the module by
// its two exported procedures and lists it by its string 1, so the module itself is read here
// (it is built beside this test program), not the sources it came from.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "windows/saver_module.h"

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A PE file read as it lies on disk: every read is checked against the file's size, so a
// damaged module fails the test instead of the test program.
class PeFile {
public:
    explicit PeFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

    template <typename T>
    std::optional<T> Read(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return std::nullopt;
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof value);
        return value;
    }

    // The file offset of a relative virtual address, through the section table.
    std::optional<std::size_t> Offset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& section : sections_) {
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                return std::size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> String(DWORD rva) const {
        const std::optional<std::size_t> start = Offset(rva);
        if (!start) return std::nullopt;
        std::string text;
        for (std::size_t i = *start; i < bytes_.size() && text.size() < 256; ++i) {
            if (bytes_[i] == 0) return text;
            text += static_cast<char>(bytes_[i]);
        }
        return std::nullopt;
    }

    // Reads the headers; false when they are not those of a 64-bit PE image.
    bool Parse() {
        const auto dos = Read<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) return false;
        const auto nt = Read<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos->e_lfanew));
        if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            return false;
        }
        exports_ = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        const std::size_t first = static_cast<std::size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                  nt->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto section = Read<IMAGE_SECTION_HEADER>(first + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section) return false;
            sections_.push_back(*section);
        }
        return true;
    }

    // The exported names in the table's order; nullopt when the table cannot be read.
    std::optional<std::vector<std::string>> ExportNames() const {
        if (exports_.VirtualAddress == 0 || exports_.Size == 0) return std::vector<std::string>{};
        const std::optional<std::size_t> at = Offset(exports_.VirtualAddress);
        if (!at) return std::nullopt;
        const auto directory = Read<IMAGE_EXPORT_DIRECTORY>(*at);
        if (!directory || directory->NumberOfNames > 1000) return std::nullopt;
        const std::optional<std::size_t> names = Offset(directory->AddressOfNames);
        if (!names && directory->NumberOfNames > 0) return std::nullopt;
        std::vector<std::string> result;
        for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
            const auto rva = Read<DWORD>(*names + i * sizeof(DWORD));
            if (!rva) return std::nullopt;
            const std::optional<std::string> name = String(*rva);
            if (!name) return std::nullopt;
            result.push_back(*name);
        }
        return result;
    }

    DWORD NumberOfFunctions() const {
        const std::optional<std::size_t> at = Offset(exports_.VirtualAddress);
        if (!at) return 0;
        const auto directory = Read<IMAGE_EXPORT_DIRECTORY>(*at);
        return directory ? directory->NumberOfFunctions : 0;
    }

private:
    std::vector<unsigned char> bytes_;
    std::vector<IMAGE_SECTION_HEADER> sections_;
    IMAGE_DATA_DIRECTORY exports_{};
};

class SaverModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = SaverPath();
        ASSERT_FALSE(path.empty());
        ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "no " << path;
    }
    std::string path;
};

TEST_F(SaverModuleTest, ExportsExactlyTheWindowAndDialogProcedures) {
    PeFile module(ReadFile(path));
    ASSERT_TRUE(module.Parse()) << path << " is not a 64-bit PE image";
    const std::optional<std::vector<std::string>> names = module.ExportNames();
    ASSERT_TRUE(names.has_value()) << "the export table cannot be read";
    std::vector<std::string> sorted = *names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"ScreenSaverConfigureDialog", "ScreenSaverProc"}));
    // Nothing exported by number alone either.
    EXPECT_EQ(module.NumberOfFunctions(), 2u);

    // And the platform's loader finds both by name in the module as mapped.
    HMODULE image = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr) << "error " << GetLastError();
    EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(image, "ScreenSaverProc")), nullptr);
    EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(image, "ScreenSaverConfigureDialog")), nullptr);
    FreeLibrary(image);
}

TEST_F(SaverModuleTest, CarriesItsDisplayNameAndSettingsDialog) {
    HMODULE resources = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr) << "error " << GetLastError();
    char name[64] = "";
    const int length = LoadStringA(resources, 1, name, sizeof name);
    EXPECT_EQ(std::string(name, static_cast<std::size_t>(std::max(length, 0))), "Orvane");
    // The mechanism's settings button opens dialog 2003.
    EXPECT_NE(FindResourceA(resources, MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5)), nullptr);  // RT_DIALOG
    FreeLibrary(resources);
}

// A DIALOG (not DIALOGEX) template as the resource compiler lays it out, read with bounds.
struct DialogItem {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    WORD classAtom = 0;  // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box
    std::string text;
};
struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<DialogItem> items;
};

class TemplateReader {
public:
    TemplateReader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool ok() const { return ok_; }
    WORD Word() {
        if (at_ + 2 > size_) {
            ok_ = false;
            return 0;
        }
        const WORD w = static_cast<WORD>(bytes_[at_] | bytes_[at_ + 1] << 8);
        at_ += 2;
        return w;
    }
    DWORD Dword() {
        const WORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    // A string or an ordinal (0xFFFF and a word); ASCII is all these templates hold.
    std::string Text(WORD* ordinal = nullptr) {
        WORD first = Word();
        if (first == 0xFFFF) {
            const WORD value = Word();
            if (ordinal != nullptr) *ordinal = value;
            return {};
        }
        std::string text;
        for (; ok_ && first != 0 && text.size() < 256; first = Word()) text += static_cast<char>(first);
        return text;
    }
    void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t n) { at_ += n; }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::optional<DialogTemplate> ReadDialog(HMODULE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    TemplateReader in(bytes, SizeofResource(module, found));
    DialogTemplate dialog;
    dialog.style = in.Dword();
    in.Dword();  // extended style
    const WORD count = in.Word();
    in.Word(), in.Word();
    dialog.cx = static_cast<short>(in.Word());
    dialog.cy = static_cast<short>(in.Word());
    in.Text();  // menu
    in.Text();  // class
    dialog.caption = in.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Word();
        dialog.font = in.Text();
    }
    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.AlignToDword();
        DialogItem item;
        item.style = in.Dword();
        in.Dword();
        item.x = static_cast<short>(in.Word());
        item.y = static_cast<short>(in.Word());
        item.cx = static_cast<short>(in.Word());
        item.cy = static_cast<short>(in.Word());
        item.id = in.Word();
        in.Text(&item.classAtom);
        item.text = in.Text();
        in.Skip(in.Word());  // creation data
        dialog.items.push_back(item);
    }
    if (!in.ok()) return std::nullopt;
    return dialog;
}

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

TEST_F(SaverModuleTest, SettingsDialogKeepsItsFiveControlsAndAddsTheDisplayOnesBelow) {
    HMODULE resources = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr) << "error " << GetLastError();
    const std::optional<DialogTemplate> dialog = ReadDialog(resources, 2003);
    FreeLibrary(resources);
    ASSERT_TRUE(dialog.has_value()) << "dialog 2003 is missing or cannot be read";
    EXPECT_EQ(dialog->style, 0x80C800C0u);
    EXPECT_EQ(dialog->caption, "Orvane ScreenSaver Settings");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->font, "MS Sans Serif");
    EXPECT_EQ(dialog->cx, 189);
    EXPECT_GT(dialog->cy, 82) << "the display settings need a taller dialog";
    // The settings for several clients follow; ClientSettingsFollowTheDisplayOnes reads them.
    ASSERT_EQ(dialog->items.size(), 20u);

    struct Expected {
        WORD id;
        WORD classAtom;
        const char* text;
        short x, y, cx, cy;
        DWORD style;
    };
    // The five every version has had, first in the tab order and exactly as they were.
    const Expected original[] = {
        {IDOK, 0x80, "OK", 13, 59, 50, 14, kShown | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, 0x80, "Cancel", 127, 59, 50, 14, kShown | BS_PUSHBUTTON | WS_TABSTOP},
        {1003, 0x82, "Minutes until blank:", 44, 28, 64, 11, kShown | SS_LEFT | WS_GROUP},
        {1001, 0x81, "", 114, 26, 36, 14, kShown | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {1002, 0x80, "Go to blank screen", 42, 6, 85, 12, kShown | BS_AUTOCHECKBOX | WS_TABSTOP},
    };
    // Then the display settings, each label before its list so that its mnemonic reaches it.
    const Expected added[] = {
        {1009, 0x80, "Display", 0, 0, 0, 0, kShown | BS_GROUPBOX | WS_GROUP},
        {1004, 0x82, "&Monitors:", 0, 0, 0, 0, kShown | SS_LEFT | WS_GROUP},
        {1005, 0x85, "", 0, 0, 0, 0, kShown | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {1006, 0x82, "&Scale:", 0, 0, 0, 0, kShown | SS_LEFT | WS_GROUP},
        {1007, 0x85, "", 0, 0, 0, 0, kShown | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {1008, 0x80, "Mo&ve the screen a little every minute (against burn-in)", 0, 0, 0, 0,
         kShown | BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        const DialogItem& item = dialog->items[i];
        const Expected& want = original[i];
        SCOPED_TRACE("original control " + std::to_string(want.id));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.classAtom, want.classAtom);
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ((std::vector<short>{item.x, item.y, item.cx, item.cy}),
                  (std::vector<short>{want.x, want.y, want.cx, want.cy}));
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
    }
    std::string mnemonics;
    for (std::size_t i = 0; i < 6; ++i) {
        const DialogItem& item = dialog->items[5 + i];
        const Expected& want = added[i];
        SCOPED_TRACE("added control " + std::to_string(want.id));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.classAtom, want.classAtom);
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        // Below OK and Cancel, and inside the dialog (a closed list is 14 units high; its
        // template height holds the drop-down).
        EXPECT_GE(item.y, 59 + 14);
        EXPECT_GE(item.x, 0);
        EXPECT_LE(item.x + item.cx, dialog->cx);
        EXPECT_LE(item.y + (item.classAtom == 0x85 ? 14 : item.cy), dialog->cy);
        const std::size_t amp = item.text.find('&');
        if (amp != std::string::npos && amp + 1 < item.text.size()) mnemonics += static_cast<char>(std::tolower(item.text[amp + 1]));
    }
    std::string sorted = mnemonics;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a mnemonic is used twice: " << mnemonics;
    EXPECT_EQ(mnemonics.size(), 3u);
    // Inside the group box, in rows: each label beside its list, the lists and the check box one
    // under the other.
    const DialogItem& group = dialog->items[5];
    for (std::size_t i = 6; i < 11; ++i) {
        const DialogItem& item = dialog->items[i];
        SCOPED_TRACE("control " + std::to_string(item.id));
        const int height = item.classAtom == 0x85 ? 14 : item.cy;
        EXPECT_GT(item.x, group.x);
        EXPECT_LT(item.x + item.cx, group.x + group.cx);
        EXPECT_GT(item.y, group.y);
        EXPECT_LT(item.y + height, group.y + group.cy);
    }
    const DialogItem& monitorsLabel = dialog->items[6];
    const DialogItem& monitorsList = dialog->items[7];
    const DialogItem& scaleLabel = dialog->items[8];
    const DialogItem& scaleList = dialog->items[9];
    const DialogItem& shift = dialog->items[10];
    EXPECT_LE(monitorsLabel.x + monitorsLabel.cx, monitorsList.x);
    EXPECT_LE(scaleLabel.x + scaleLabel.cx, scaleList.x);
    EXPECT_TRUE(monitorsLabel.y >= monitorsList.y && monitorsLabel.y < monitorsList.y + 14);
    EXPECT_TRUE(scaleLabel.y >= scaleList.y && scaleLabel.y < scaleList.y + 14);
    EXPECT_LE(monitorsList.y + 14, scaleList.y);
    EXPECT_LE(scaleList.y + 14, shift.y);
}

// The settings for several clients: in a group of their own below the display settings, in
// the dialog, each label before its control, mnemonics unique over every added control.
TEST_F(SaverModuleTest, ClientSettingsFollowTheDisplayOnes) {
    HMODULE resources = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr) << "error " << GetLastError();
    const std::optional<DialogTemplate> dialog = ReadDialog(resources, 2003);
    FreeLibrary(resources);
    ASSERT_TRUE(dialog.has_value());
    ASSERT_EQ(dialog->items.size(), 20u);
    const std::vector<WORD> ids = {1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018};
    const std::vector<WORD> classes = {0x80, 0x82, 0x85, 0x82, 0x81, 0x82, 0x82, 0x81, 0x82};
    const DialogItem& display = dialog->items[5];
    const DialogItem& group = dialog->items[11];
    EXPECT_GE(group.y, display.y + display.cy) << "below the display settings, never over them";
    EXPECT_LE(group.y + group.cy, dialog->cy);
    std::string mnemonics;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const DialogItem& item = dialog->items[11 + i];
        EXPECT_EQ(item.id, ids[i]);
        EXPECT_EQ(item.classAtom, classes[i]) << item.id;
        if (i > 0) {
            EXPECT_TRUE(item.x > group.x && item.x + item.cx <= group.x + group.cx && item.y > group.y &&
                        item.y + 14 < group.y + group.cy)
                << item.id << " outside its group";
        }
        const std::size_t amp = item.text.find('&');
        if (amp != std::string::npos) mnemonics += static_cast<char>(std::tolower(item.text[amp + 1]));
    }
    EXPECT_EQ(mnemonics, "crt");
    for (const std::size_t label : {12u, 14u, 17u})
        EXPECT_LE(dialog->items[label].x + dialog->items[label].cx, dialog->items[label + 1].x);
}

TEST_F(SaverModuleTest, DeclaresPerMonitorDpiAwareness) {
    HMODULE resources = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr) << "error " << GetLastError();
    // Resource 1 of type 24 (RT_MANIFEST) is the one the loader applies to an executable.
    HRSRC found = FindResourceA(resources, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    HGLOBAL loaded = LoadResource(resources, found);
    const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, SizeofResource(resources, found));
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
    FreeLibrary(resources);
}

}  // namespace

// The version the platform shows for the module (its properties, the installed-programs list
// by way of the installer) is the build's one version, in numbers and in text alike.
TEST_F(SaverModuleTest, CarriesTheProjectVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version block, error " << GetLastError();
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, ORVANE_EXPECTED_VERSION_QUAD);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    const auto text = [&](const char* name) {
        char* value = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
            return std::string("(missing)");
        return std::string(value);
    };
    EXPECT_EQ(text("FileVersion"), ORVANE_EXPECTED_VERSION_QUAD);
    EXPECT_EQ(text("ProductVersion"), ORVANE_EXPECTED_VERSION);
    EXPECT_EQ(text("OriginalFilename"), "Orvane.scr");
}
