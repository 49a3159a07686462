#include <gtest/gtest.h>

#include "base/PeImage.h"
#include "core/MappedFile.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

using test::PeBuilder;
using test::TestSection;

ByteView View(const std::vector<uint8_t>& bytes) { return ByteView(bytes.data(), bytes.size()); }

// .text at RVA 0x1000 with 0x200 raw bytes but 0x3000 virtual ones, and
// .Data at 0x4000; file positions 0x200 and 0x400.
PeBuilder TwoSections() {
    PeBuilder builder;
    TestSection& text = builder.Section(".text", 0x1000);
    text.data.U8(0, 0xC3);
    text.virtualSize = 0x3000;
    builder.Section(".Data", 0x4000).data.U32(0, 7);
    return builder;
}

TEST(PeImage, HeadersAreOffsetsIntoTheFile) {
    const std::vector<uint8_t> bytes = TwoSections().Build();
    const ByteView image = View(bytes);
    EXPECT_TRUE(IsPeImage(image));
    EXPECT_EQ(GetNtHeaders(image), uint64_t{PeBuilder::kNtAt});
    EXPECT_EQ(GetFileHeader(image), uint64_t{PeBuilder::kNtAt + 4});
    EXPECT_EQ(GetOptionalHeader(image), uint64_t{PeBuilder::kNtAt + 24});
    EXPECT_EQ(GetFirstSectionHeader(image), uint64_t{PeBuilder::kNtAt + 24 + 240});

    std::vector<uint8_t> farHeaders = bytes;
    farHeaders[0x3E] = 0x01;  // e_lfanew 0x10080, beyond the file
    std::vector<uint8_t> noSignature = bytes;
    noSignature[PeBuilder::kNtAt + 2] = 1;
    for (const auto& broken : {farHeaders, noSignature, std::vector<uint8_t>{'M', 'Z'}, std::vector<uint8_t>{}}) {
        EXPECT_FALSE(IsPeImage(View(broken)));
        EXPECT_FALSE(GetFirstSectionHeader(View(broken)).has_value());
        EXPECT_FALSE(GetDataDirectoryVa(View(broken), kDirImport).has_value());
    }
}

TEST(PeImage, RvaConversions) {
    const std::vector<uint8_t> bytes = TwoSections().Build();
    const ByteView image = View(bytes);
    const uint64_t nt = PeBuilder::kNtAt;
    struct Case {
        uint32_t rva;
        std::optional<uint64_t> offset;
    };
    const Case cases[] = {
        {0x1000, 0x200}, {0x11FF, 0x3FF},   // inside the raw data of .text
        {0x1200, std::nullopt},             // inside the virtual size, beyond the raw size
        {0x4004, 0x404}, {0x0FFF, std::nullopt}, {0xFFFFFFFF, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RvaToVa(image, nt, c.rva), c.offset) << std::hex << c.rva;
        EXPECT_EQ(RvaToFileOffset(image, nt, c.rva), c.offset.value_or(0)) << std::hex << c.rva;
    }
}

TEST(PeImage, DataDirectoriesAndSectionsByName) {
    PeBuilder builder = TwoSections();
    builder.Directory(kDirImport, 0x4000, 8).Directory(kDirExport, 0x9000, 8);
    const std::vector<uint8_t> bytes = builder.Build();
    const ByteView image = View(bytes);
    EXPECT_EQ(GetDataDirectoryVa(image, kDirImport), uint64_t{0x400});
    EXPECT_FALSE(GetDataDirectoryVa(image, kDirExport).has_value());     // in no section
    EXPECT_FALSE(GetDataDirectoryVa(image, kDirResource).has_value());   // RVA 0

    const uint64_t table = PeBuilder::kNtAt + 24 + 240;
    EXPECT_EQ(FindSectionHeader(image, ".TEXT"), table);
    EXPECT_EQ(FindSectionHeader(image, ".data"), table + 40);
    EXPECT_FALSE(FindSectionHeader(image, ".tex").has_value());
    EXPECT_FALSE(FindSectionHeader(image, ".rdata").has_value());
}

TEST(PeImage, IsAllZero) {
    const uint8_t zeros[20] = {};
    uint8_t oneSet[20] = {};
    oneSet[19] = 1;
    EXPECT_TRUE(IsAllZero(ByteView(zeros, sizeof zeros)));
    EXPECT_TRUE(IsAllZero(ByteView()));
    EXPECT_FALSE(IsAllZero(ByteView(oneSet, sizeof oneSet)));
}

TEST(PeImage, MapAndUnmapThroughThePlatform) {
    test::SimFiles files;
    const std::vector<uint8_t> bytes = TwoSections().Build();
    MAPPEDFILE mapping;
    ASSERT_TRUE(MapFileReadOnly(files.Put("img.exe", bytes), mapping));
    EXPECT_NE(mapping.hFile, kNullHandle);
    EXPECT_NE(mapping.hMapping, kNullHandle);
    ASSERT_EQ(mapping.nViewLength, bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(mapping.pView, mapping.pView + mapping.nViewLength), bytes);
    EXPECT_TRUE(IsPeImage(mapping.View()));
    UnmapFile(mapping);
    EXPECT_EQ(mapping.pView, nullptr);
    EXPECT_EQ(mapping.hFile, kNullHandle);

    MAPPEDFILE missing;
    EXPECT_FALSE(MapFileReadOnly("C:\\work\\missing.exe", missing));
    EXPECT_EQ(missing.pView, nullptr);
    EXPECT_EQ(missing.hFile, kNullHandle);
    EXPECT_EQ(missing.hMapping, kNullHandle);
}

}  // namespace
}  // namespace qv
