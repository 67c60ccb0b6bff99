#include "snapshot_run.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "record/demo_record.h"
#include "screen/status_display.h"
#include "reader/reader_session.h"
#include "record/record_family.h"
#include "record/shared_mapping.h"

namespace {

// The record's bytes with the alignment of its doubles; a file may be longer than the record
// and its tail is written back unchanged.
struct RecordFile {
    std::vector<std::uint64_t> storage;
    std::size_t size = 0;
    SharedStatus* Record() { return reinterpret_cast<SharedStatus*>(storage.data()); }
};

bool LoadRecord(const std::string& path, RecordFile& file, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        error = "cannot open record file '" + path + "'";
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (bytes.size() < kSharedStatusSize) {
        error = "record file '" + path + "' holds " + std::to_string(bytes.size()) + " bytes; a record needs " +
                std::to_string(kSharedStatusSize);
        return false;
    }
    file.size = bytes.size();
    file.storage.assign((bytes.size() + 7) / 8, 0);
    std::memcpy(file.storage.data(), bytes.data(), bytes.size());
    return true;
}

bool SaveRecord(const std::string& path, const void* bytes, std::size_t size, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out || std::fwrite(bytes, 1, size, out.get()) != size || std::fflush(out.get()) != 0) {
        error = "cannot write record file '" + path + "'";
        return false;
    }
    return true;
}

bool Render(SharedStatus& record, const SnapshotOptions& options, std::string& error) {
    const std::string header = options.headerPath.empty() ? kHeaderImageFile : options.headerPath;
    StatusDisplay display(record, header.c_str());
    for (int tick = 0; tick < options.ticks; ++tick) display.Update();
    if (!display.canvas->SaveImage(options.outPath.c_str())) {
        error = "cannot write picture '" + options.outPath + "'";
        return false;
    }
    return true;
}

}  // namespace

int RunSnapshot(const SnapshotOptions& options, std::string& error) {
    if (options.live || !options.name.empty()) {
        const std::string name = options.name.empty() ? kSharedStatusName : options.name;
        // Nothing outside the family is opened, whatever the caller put in the options.
        if (FamilyRecordIndex(name) == 0) {
            error = "'" + name + "' is not a record of the family orvane_share, orvane_share_2 .. orvane_share_64";
            return 1;
        }
        // A passive reader, as orvane-serve is: the record is mapped read-only and nothing of it
        // is written, so a saver that runs at the same time misses no update. It draws what the
        // readers show: what their owner has drawn or, with none, the items whose flags are
        // raised. A copy of the bytes drawn as a dump is would come out blank wherever a saver
        // has already lowered the flags.
        const std::string header = options.headerPath.empty() ? kHeaderImageFile : options.headerPath;
        ReaderSession session(ReaderConfig{name, header, true, false, 0});
        if (!session.Attach()) {
            error = "no usable shared record \"" + name + "\" (is the client running?)";
            return 1;
        }
        for (int tick = 0; tick < options.ticks; ++tick) session.Tick(0);
        bool ok = session.Screen()->SaveImage(options.outPath.c_str());
        if (!ok) error = "cannot write picture '" + options.outPath + "'";
        if (ok && !options.recordOutPath.empty()) {
            ok = SaveRecord(options.recordOutPath, session.Record(), kSharedStatusSize, error);
        }
        return ok ? 0 : 1;
    }

    RecordFile file;
    if (options.demo) {
        file.size = kSharedStatusSize;
        file.storage.assign((kSharedStatusSize + 7) / 8, 0);
        FillDemoRecord(*file.Record());
    } else if (!LoadRecord(options.recordPath, file, error)) {
        return 1;
    }
    if (!Render(*file.Record(), options, error)) return 1;
    if (!options.recordOutPath.empty() && !SaveRecord(options.recordOutPath, file.storage.data(), file.size, error)) {
        return 1;
    }
    return 0;
}
