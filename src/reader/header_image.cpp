#include "reader/header_image.h"

#include "screen/status_display.h"

std::vector<std::string> HeaderImageCandidates(const std::string& programFolder, const std::string& fromProgram,
                                               const std::string& installedDataDir) {
    std::vector<std::string> candidates;
    if (!programFolder.empty()) candidates.push_back(programFolder + fromProgram + kHeaderImageFile);
    if (!installedDataDir.empty()) candidates.push_back(installedDataDir + "/" + kHeaderImageFile);
    candidates.push_back(kHeaderImageFile);
    return candidates;
}

std::string FindHeaderImage(const std::string& fromProgram, const std::string& installedDataDir) {
    for (const std::string& candidate : HeaderImageCandidates(ProgramFolder(), fromProgram, installedDataDir))
        if (FileReadable(candidate)) return candidate;
    return kHeaderImageFile;
}
