// The family of record names, and finding its records among the machine's shared-memory
// objects. The objects made here take places 57 to 59, which no other test uses.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "record/record_family.h"
#include "record/shared_status.h"

TEST(RecordFamily, EachPlaceHasOneNameAndNothingElseIsOne) {
    EXPECT_EQ(FamilyRecordName(1), "orvane_share");
    EXPECT_EQ(FamilyRecordName(2), "orvane_share_2");
    EXPECT_EQ(FamilyRecordName(64), "orvane_share_64");
    EXPECT_EQ(FamilyRecordName(0), "");
    EXPECT_EQ(FamilyRecordName(65), "");
    for (int index = 1; index <= kMaxClientRecords; ++index) EXPECT_EQ(FamilyRecordIndex(FamilyRecordName(index)), index);
    for (const char* stranger : {"orvane_share_1", "orvane_share_02", "orvane_share_65", "orvane_share_", "orvane_share_2x",
                                 "orvane_share_-3", "orvane_share_+3", "orvane_shared", "xorvane_share", "orvane_share_9999999999",
                                 "../orvane_share_2", "", "orvane_share_2/x"}) {
        EXPECT_EQ(FamilyRecordIndex(stranger), 0) << stranger;
    }
}

namespace {

// An object under the name, of `size` bytes, removed at the end of the test.
struct Object {
    Object(const std::string& objectName, off_t size) : name("/" + objectName) {
        shm_unlink(name.c_str());
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(ftruncate(fd, size), 0);
        close(fd);
    }
    ~Object() { shm_unlink(name.c_str()); }
    std::string name;
};

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST(RecordFamily, FindsTheRecordsInTheFamilysOrderAndLeavesOutStrangersAndShortObjects) {
    const Object later(FamilyRecordName(59), kSharedStatusSize);
    const Object earlier(FamilyRecordName(57), kSharedStatusSize + 4096);
    const Object tooShort(FamilyRecordName(58), 4096);
    const Object stranger("orvane_share_057", kSharedStatusSize);
    const std::vector<std::string> found = FindFamilyRecords();
    EXPECT_TRUE(Has(found, "orvane_share_57"));
    EXPECT_TRUE(Has(found, "orvane_share_59"));
    EXPECT_FALSE(Has(found, "orvane_share_58")) << "an object too short to be a record";
    EXPECT_FALSE(Has(found, "orvane_share_057"));
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        return FamilyRecordIndex(a) < FamilyRecordIndex(b);
    }));
}
