// The label past the record's fixed bytes: what a reader shows of whatever bytes it finds there.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "record/record_extension.h"

namespace {

std::vector<unsigned char> ExtendedObject() { return std::vector<unsigned char>(kExtendedRecordSize, 0); }

RecordExtension& ExtensionOf(std::vector<unsigned char>& bytes) {
    return *reinterpret_cast<RecordExtension*>(bytes.data() + kRecordExtensionOffset);
}

}  // namespace

TEST(RecordLabel, WrittenLabelsReadBackAndObjectsWithoutOneHaveNone) {
    auto bytes = ExtendedObject();
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), "");  // a new object: no mark yet
    ASSERT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "core 3: band 2"));
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), "core 3: band 2");
    ASSERT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "x"));
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), "x");  // the longer label's tail is gone
    EXPECT_EQ(ExtensionOf(bytes).label_sequence % 2, 0u);

    // An object of the fixed size only (an old client's), or one cut anywhere inside the
    // extension, has no label and is never read past its end.
    EXPECT_EQ(RecordLabel(bytes.data(), kSharedStatusSize), "");
    EXPECT_EQ(RecordLabel(bytes.data(), kExtendedRecordSize - 1), "");
    EXPECT_FALSE(WriteRecordLabel(bytes.data(), kSharedStatusSize, "old"));
    EXPECT_EQ(RecordLabel(nullptr, 0), "");

    // Another program's bytes there: no mark, no label.
    ExtensionOf(bytes).mark[7] = '2';
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), "");
}

TEST(RecordLabel, TheLibraryRefusesWhatAReaderWouldHaveToMend) {
    auto bytes = ExtendedObject();
    const std::string longest(kMaxLabelLength, 'k');
    EXPECT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), longest));
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), longest);
    for (const std::string_view bad : {std::string_view("tab\there"), std::string_view("new\nline"), std::string_view("del\x7f"),
                                       std::string_view("nul\0in", 6), std::string_view(longest + "k")}) {
        EXPECT_FALSE(LabelAcceptable(bad));
        EXPECT_FALSE(WriteRecordLabel(bytes.data(), bytes.size(), bad));
        EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), longest);  // nothing written
    }
    EXPECT_TRUE(LabelAcceptable("caf\xe9 5"));  // Windows-1252 like every other text
}

TEST(RecordLabel, AHostileWriterCannotMakeAReaderShowControlBytesOrReadOn) {
    auto bytes = ExtendedObject();
    ASSERT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "ok"));
    RecordExtension& extension = ExtensionOf(bytes);
    std::memset(extension.label, 'z', sizeof extension.label);  // no ending zero at all
    extension.label[2] = '\x1b';
    extension.label[5] = '\n';
    const std::string shown = RecordLabel(bytes.data(), bytes.size());
    EXPECT_EQ(shown.size(), kMaxLabelLength);
    EXPECT_EQ(shown.substr(0, 7), "zz?zz?z");
}

TEST(RecordLabel, AReaderKeepsTheLastWholeLabelWhileAWriterIsBusy) {
    auto bytes = ExtendedObject();
    ASSERT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "band 1"));
    LabelReader reader;
    EXPECT_EQ(reader.Read(bytes.data(), bytes.size()), "band 1");
    RecordExtension& extension = ExtensionOf(bytes);
    extension.label_sequence += 1;  // a writer in the middle of a change
    std::memcpy(extension.label, "band", 4);
    EXPECT_EQ(RecordLabel(bytes.data(), bytes.size()), "");
    EXPECT_EQ(reader.Read(bytes.data(), bytes.size()), "band 1");
    extension.label_sequence += 1;
    EXPECT_EQ(reader.Read(bytes.data(), bytes.size()), "band 1");  // the text the writer left
    ASSERT_TRUE(WriteRecordLabel(bytes.data(), bytes.size(), "band 2"));
    EXPECT_EQ(reader.Read(bytes.data(), bytes.size()), "band 2");
    EXPECT_EQ(reader.Read(bytes.data(), kSharedStatusSize), "");  // the object was replaced by a short one
}
