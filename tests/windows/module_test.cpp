// The built Orvane.scr as the platform sees it: the screen-saver mechanism calls the module by
// its two exported procedures and lists it by its string 1, so the module itself is read here
// (it is built beside this test program), not the sources it came from.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string SaverPath() {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    std::string folder(path, length);
    const std::size_t slash = folder.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return folder.substr(0, slash + 1) + "Orvane.scr";
}

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
