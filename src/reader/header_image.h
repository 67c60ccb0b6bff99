// Where a front end finds the header image when it is not given one. The Linux viewer and
// orvane-serve both look in the same order, each from its own place in the installed tree.
#pragma once

#include <string>
#include <vector>

// The places, in order: the installed tree's data folder as reached from the program's own
// folder (`programFolder`, its separator at the end, joined with `fromProgram`: "../share/orvane/"
// from <prefix>/bin, "" for the program's own folder), the folder the build installs the data
// into (`installedDataDir`, none when empty), then the current folder.
std::vector<std::string> HeaderImageCandidates(const std::string& programFolder, const std::string& fromProgram,
                                               const std::string& installedDataDir);

// The first of those places, from this program's folder, that can be read; the current
// folder's when none can.
std::string FindHeaderImage(const std::string& fromProgram, const std::string& installedDataDir);

// The folder of the running program with its separator at the end; empty when the system does
// not say. Per platform.
std::string ProgramFolder();

// Whether the file is there to be read (on POSIX: readable by us). Per platform.
bool FileReadable(const std::string& path);
