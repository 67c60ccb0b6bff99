#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "record/shared_mapping.h"

namespace {

std::string UniqueName(const char* what) { return std::string("orvane_test_") + what + "_" + std::to_string(getpid()); }

// A client that made its object too small: the saver must not touch it.
void MakeShortObject(const std::string& name, off_t size) {
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
}

}  // namespace

TEST(PosixMapping, SaverSeesWhatTheClientWritesAndTheClientSeesTheMarker) {
    const std::string name = UniqueName("shared");
    SharedMapping client;
    ASSERT_TRUE(CreateSharedStatus(client, kSharedStatusSize, name.c_str()));
    EXPECT_EQ(client.record->saver_attached, 0);  // a new object reads as zeros
    client.record->fft_length = 4096;
    RaiseFlag(client.record->search_params_changed);

    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, name.c_str()));
    EXPECT_GE(saver.size, kSharedStatusSize);
    EXPECT_EQ(saver.record->fft_length, 4096);
    EXPECT_NE(ReadFlag(saver.record->search_params_changed), 0);

    MarkSaverAttached(*saver.record, 0x20);
    EXPECT_EQ(ReadFlag(client.record->saver_attached), 1);
    EXPECT_EQ(ReadFlag(client.record->saver_priority_class), 0x20);
    MarkSaverDetached(*saver.record);
    UnmapSharedStatus(saver);
    EXPECT_EQ(saver.record, nullptr);
    EXPECT_EQ(ReadFlag(client.record->saver_attached), 0);

    CloseSharedStatus(saver);
    CloseSharedStatus(client);
    RemoveSharedStatus(name.c_str());
}

TEST(PosixMapping, MissingOrShortObjectsAreNotAttached) {
    SharedMapping saver;
    EXPECT_FALSE(OpenSharedStatus(saver, UniqueName("missing").c_str()));
    EXPECT_EQ(saver.record, nullptr);

    for (const off_t size : {off_t{0}, off_t{4096}, static_cast<off_t>(kSharedStatusSize - 1)}) {
        const std::string name = UniqueName("short");
        MakeShortObject(name, size);
        EXPECT_FALSE(OpenSharedStatus(saver, name.c_str())) << size;
        EXPECT_EQ(saver.record, nullptr);
        RemoveSharedStatus(name.c_str());
    }
}

TEST(PosixMapping, LongerObjectsAreFineAndAnExistingObjectKeepsItsContents) {
    const std::string name = UniqueName("long");
    SharedMapping first;
    ASSERT_TRUE(CreateSharedStatus(first, kSharedStatusSize + 10000, name.c_str()));
    first.record->graph_bin_count = 512;
    SharedMapping second;
    ASSERT_TRUE(CreateSharedStatus(second, kSharedStatusSize, name.c_str()));
    EXPECT_EQ(second.size, kSharedStatusSize + 10000);
    EXPECT_EQ(second.record->graph_bin_count, 512);
    CloseSharedStatus(second);
    CloseSharedStatus(first);
    RemoveSharedStatus(name.c_str());
}
