#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "common/library_client.h"
#include "record/shared_mapping.h"

namespace {

std::string UniqueName(const char* what) { return std::string("orvane_test_") + what + "_" + std::to_string(getpid()); }

// An object of any size under the name, as no client of ours makes it.
void MakeObject(const std::string& name, off_t size) {
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
}

}  // namespace

TEST(PosixMapping, SaverSeesWhatTheClientWritesAndTheClientSeesTheMarker) {
    LibraryClient client(UniqueName("shared"));
    ASSERT_EQ(client.status, ORVANE_OK) << client.message;
    const char* name = client.name.c_str();
    EXPECT_EQ(client.Record().saver_attached, 0);  // a new object reads as zeros
    client.Record().fft_length = 4096;
    RaiseFlag(client.Record().search_params_changed);

    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, name));
    EXPECT_GE(saver.size, kSharedStatusSize);
    EXPECT_EQ(saver.record->fft_length, 4096);
    EXPECT_NE(ReadFlag(saver.record->search_params_changed), 0);

    MarkSaverAttached(*saver.record, 0x20);
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 1);
    EXPECT_EQ(ReadFlag(client.Record().saver_priority_class), 0x20);
    MarkSaverDetached(*saver.record);
    UnmapSharedStatus(saver);
    EXPECT_EQ(saver.record, nullptr);
    EXPECT_EQ(ReadFlag(client.Record().saver_attached), 0);

    CloseSharedStatus(saver);
}

TEST(PosixMapping, MissingOrShortObjectsAreNotAttached) {
    SharedMapping saver;
    EXPECT_FALSE(OpenSharedStatus(saver, UniqueName("missing").c_str()));
    EXPECT_EQ(saver.record, nullptr);

    for (const off_t size : {off_t{0}, off_t{4096}, static_cast<off_t>(kSharedStatusSize - 1)}) {
        const std::string name = UniqueName("short");
        MakeObject(name, size);
        EXPECT_FALSE(OpenSharedStatus(saver, name.c_str())) << size;
        EXPECT_EQ(saver.record, nullptr);
        RemoveSharedStatus(name.c_str());
    }
}

TEST(PosixMapping, LongerObjectsAreMappedWhole) {
    const std::string name = UniqueName("long");
    MakeObject(name, static_cast<off_t>(kSharedStatusSize + 10000));
    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, name.c_str()));
    EXPECT_EQ(saver.size, kSharedStatusSize + 10000);
    saver.record->graph_bin_count = 512;
    SharedMapping passive;
    ASSERT_TRUE(OpenSharedStatusReadOnly(passive, name.c_str()));
    EXPECT_EQ(passive.size, kSharedStatusSize + 10000);
    EXPECT_EQ(passive.record->graph_bin_count, 512);
    CloseSharedStatus(passive);
    CloseSharedStatus(saver);
    RemoveSharedStatus(name.c_str());
}
