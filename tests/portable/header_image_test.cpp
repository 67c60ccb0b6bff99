// Where the viewer and orvane-serve look for the header image when they are not given one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reader/header_image.h"

namespace {

namespace fs = std::filesystem;

TEST(HeaderImage, BesideTheInstalledTreeThenTheBuildsDataFolderThenHere) {
    EXPECT_EQ(HeaderImageCandidates("/opt/x/usr/libexec/xscreensaver/", "../../share/orvane/", "/usr/share/orvane"),
              (std::vector<std::string>{"/opt/x/usr/libexec/xscreensaver/../../share/orvane/header.bmp",
                                        "/usr/share/orvane/header.bmp", "header.bmp"}));
    // Windows: beside the program, and no data folder of the build's.
    EXPECT_EQ(HeaderImageCandidates("C:\\Orvane\\", "", ""),
              (std::vector<std::string>{"C:\\Orvane\\header.bmp", "header.bmp"}));
    EXPECT_EQ(HeaderImageCandidates("", "", ""), (std::vector<std::string>{"header.bmp"}));
}

TEST(HeaderImage, TheFirstThatIsThereElseTheCurrentFoldersName) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == '/' || folder.back() == '\\') << folder;
    EXPECT_TRUE(fs::is_directory(folder)) << folder;

    const fs::path data = fs::temp_directory_path() / ("orvane_header_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(data);
    const fs::path image = data / "header.bmp";
    std::ofstream(image, std::ios::binary) << "BM";
    // Nothing at the program's side: the build's data folder.
    EXPECT_EQ(FindHeaderImage("no-such-folder/", data.string()), data.string() + "/header.bmp");
    fs::remove(image);
    EXPECT_EQ(FindHeaderImage("no-such-folder/", data.string()), "header.bmp");
    fs::remove_all(data);
}

}  // namespace
