// The saver's side of the shared record against objects made with the plain Win32 API, the
// way the client makes them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "record/shared_mapping.h"

namespace {

// Named objects live in the wineserver (or the session) that other test runs share: every
// name carries the process id and a counter.
std::string UniqueName(const char* what) {
    static int counter = 0;
    return std::string("orvane_test_") + what + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++counter);
}

// A mapping made the way the client makes it, under a new name, with a view of its own.
class ClientMapping {
public:
    ClientMapping(const char* what, std::size_t size) : name_(UniqueName(what)), size_(size) {
        object_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size),
                                     name_.c_str());
        if (object_ != nullptr) view_ = static_cast<std::uint8_t*>(MapViewOfFile(object_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    ~ClientMapping() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        if (object_ != nullptr) CloseHandle(object_);
    }
    ClientMapping(const ClientMapping&) = delete;
    ClientMapping& operator=(const ClientMapping&) = delete;

    bool ok() const { return view_ != nullptr; }
    const char* name() const { return name_.c_str(); }
    std::uint8_t* bytes() { return view_; }
    std::size_t size() const { return size_; }
    std::int32_t Int32At(std::size_t offset) const {
        std::int32_t value;
        std::memcpy(&value, view_ + offset, sizeof value);
        return value;
    }
    void SetInt32At(std::size_t offset, std::int32_t value) { std::memcpy(view_ + offset, &value, sizeof value); }

private:
    std::string name_;
    HANDLE object_ = nullptr;
    std::uint8_t* view_ = nullptr;
    std::size_t size_;
};

constexpr std::size_t kAttachedOffset = 126848;
constexpr std::size_t kPriorityOffset = 126852;

TEST(SharedMappingWin32, OpensTheClientsObjectAndSharesItsBytes) {
    ClientMapping client("share", kSharedStatusSize);
    ASSERT_TRUE(client.ok());

    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, client.name()));
    ASSERT_NE(saver.record, nullptr);
    EXPECT_GE(saver.size, kSharedStatusSize);
    EXPECT_NE(static_cast<void*>(saver.record), static_cast<void*>(client.bytes()));

    // Client to saver: a text and its flag, the way the client publishes an item.
    std::memcpy(client.bytes() + 3044, "scanning", 9);
    client.SetInt32At(3124, 7);
    EXPECT_STREQ(saver.record->status_text_a, "scanning");
    EXPECT_EQ(ReadFlag(saver.record->status_text_a_changed), 7);
    // The last spectrum row's flag sits near the end of the record.
    client.SetInt32At(4244 + 604 * 202, 1);
    EXPECT_EQ(ReadFlag(saver.record->spectrum_rows[202].changed), 1);

    // Saver to client: the lowered flag and the graph area.
    LowerFlag(saver.record->status_text_a_changed);
    WriteFlag(saver.record->graph_area_width, 642);
    WriteFlag(saver.record->graph_area_height, 244);
    EXPECT_EQ(client.Int32At(3124), 0);
    EXPECT_EQ(client.Int32At(3608), 642);
    EXPECT_EQ(client.Int32At(3612), 244);

    CloseSharedStatus(saver);
    EXPECT_EQ(saver.record, nullptr);
}

TEST(SharedMappingWin32, MarkerWritesAttachedThenPriorityAndDetachClearsOnlyAttached) {
    ClientMapping client("marker", kSharedStatusSize);
    ASSERT_TRUE(client.ok());
    client.SetInt32At(kPriorityOffset, -1);

    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, client.name()));
    const std::int32_t priorityClass = CaptureSaverPriorityClass();
    EXPECT_EQ(priorityClass, 0x20);  // NORMAL_PRIORITY_CLASS: the test runs at normal priority

    MarkSaverAttached(*saver.record, priorityClass);
    EXPECT_EQ(client.Int32At(kAttachedOffset), 1);
    EXPECT_EQ(client.Int32At(kPriorityOffset), 0x20);
    // The bytes on either side belong to the client and stay as they were.
    EXPECT_EQ(client.Int32At(kAttachedOffset - 4), 0);

    MarkSaverDetached(*saver.record);
    EXPECT_EQ(client.Int32At(kAttachedOffset), 0);
    EXPECT_EQ(client.Int32At(kPriorityOffset), 0x20);

    // Detaching unmaps the view but keeps the handle: the object stays reachable through it.
    UnmapSharedStatus(saver);
    EXPECT_EQ(saver.record, nullptr);
    ASSERT_NE(saver.handle, -1);
    void* again = MapViewOfFile(reinterpret_cast<HANDLE>(saver.handle), FILE_MAP_ALL_ACCESS, 0, 0, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(static_cast<SharedStatus*>(again)->saver_priority_class, 0x20);
    UnmapViewOfFile(again);
    CloseSharedStatus(saver);
}

TEST(SharedMappingWin32, PriorityCaptureFollowsTheProcessClass) {
    HANDLE self = GetCurrentProcess();
    const DWORD original = GetPriorityClass(self);
    ASSERT_TRUE(SetPriorityClass(self, IDLE_PRIORITY_CLASS));
    const std::int32_t idle = CaptureSaverPriorityClass();
    SetPriorityClass(self, original);
    EXPECT_EQ(idle, 0x40);
    EXPECT_EQ(CaptureSaverPriorityClass(), static_cast<std::int32_t>(original));
}

TEST(SharedMappingWin32, RefusesMappingsShorterThanTheRecord) {
    // One page, a size that is not a whole number of pages, and one a few bytes short, whose
    // last page still reaches past the end of the record.
    for (const std::size_t size : {std::size_t{4096}, std::size_t{100000}}) {
        SCOPED_TRACE(size);
        ClientMapping client("short", size);
        ASSERT_TRUE(client.ok());
        std::memset(client.bytes(), 0xAB, size);

        SharedMapping saver;
        EXPECT_FALSE(OpenSharedStatus(saver, client.name()));
        EXPECT_EQ(saver.record, nullptr);
        EXPECT_EQ(saver.size, 0u);

        std::size_t changed = 0;
        for (std::size_t i = 0; i < size; ++i) changed += client.bytes()[i] != 0xAB;
        EXPECT_EQ(changed, 0u);
    }
}

TEST(SharedMappingWin32, MissingObjectIsNotAttached) {
    SharedMapping saver;
    EXPECT_FALSE(OpenSharedStatus(saver, UniqueName("missing").c_str()));
    EXPECT_EQ(saver.record, nullptr);
    EXPECT_EQ(saver.handle, -1);
}

TEST(SharedMappingWin32, SaverHandleIsInheritable) {
    ClientMapping client("inherit", kSharedStatusSize);
    ASSERT_TRUE(client.ok());
    SharedMapping saver;
    ASSERT_TRUE(OpenSharedStatus(saver, client.name()));
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(saver.handle), &flags));
    EXPECT_NE(flags & HANDLE_FLAG_INHERIT, 0u);
    CloseSharedStatus(saver);
}

}  // namespace
