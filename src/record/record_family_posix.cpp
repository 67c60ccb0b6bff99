#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "record/record_family.h"
#include "record/shared_status.h"

// Linux keeps POSIX shared-memory objects as the files of this folder.
std::vector<std::string> FindFamilyRecords() {
    std::vector<std::pair<int, std::string>> found;
    DIR* folder = opendir("/dev/shm");
    if (folder == nullptr) return {};
    while (const dirent* entry = readdir(folder)) {
        const int index = FamilyRecordIndex(entry->d_name);
        if (index == 0) continue;
        struct stat info {};
        // A client that has just made its object sizes it a moment later: not yet a record.
        if (fstatat(dirfd(folder), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
        if (info.st_size < static_cast<off_t>(kSharedStatusSize)) continue;
        found.emplace_back(index, entry->d_name);
    }
    closedir(folder);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& [index, name] : found) names.push_back(std::move(name));
    return names;
}
