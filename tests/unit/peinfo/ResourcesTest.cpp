#include <gtest/gtest.h>

#include <algorithm>


#include "peinfo/PeReports.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"
#include "tests/unit/peinfo/ResourceBuilder.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

using test::Blob;
using test::PeBuilder;
using test::ResItem;
using test::ResKey;
using test::RunReport;

constexpr uint32_t kRsrcVa = 0x4000;

PeBuilder ImageWithResources(const std::vector<ResItem>& items) {
    PeBuilder builder;
    builder.Section(".text", 0x1000).data.U8(0, 0xC3);
    builder.Section(".rsrc", kRsrcVa).data = test::BuildResourceSection(items, kRsrcVa);
    builder.Directory(2, kRsrcVa, static_cast<uint32_t>(builder.sections.back().data.bytes.size()));
    return builder;
}

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 3);
    return out;
}

// A DIB header (40 bytes) with the given bit count and colours used, then
// `extra` bytes of palette and bits.
std::vector<uint8_t> Dib(uint16_t bitCount, uint32_t colorsUsed, size_t extra) {
    Blob dib;
    dib.U32(0, 40).U32(4, 8).U32(8, 8).U16(12, 1).U16(14, bitCount).U32(32, colorsUsed);
    dib.Bytes(40, Bytes(extra, bitCount));
    return dib.bytes;
}

TEST(ResourcesReport, TreeWithStringNamedTypeAndNames) {
    const std::vector<ResItem> items = {
        {ResKey{0, "CONFIG"}, ResKey{3, ""}, 0x409, Bytes(4, 1)},
        {ResKey{3, ""}, ResKey{1, ""}, 0x409, Bytes(4, 2)},
        {ResKey{14, ""}, ResKey{0, "APPICON"}, 0x409, Bytes(4, 3)},
    };
    const std::string dir = " TimeDate:00000000 Vers:0.00 Char:0\r\n";
    EXPECT_EQ(RunReport(&ReportResources, ImageWithResources(items).Build()),
              "Resources\r\n"
              "ResDir (0) Named:01 ID:02" + dir +
              "    ResDir (CONFIG) Named:00 ID:01" + dir +
              "        ResDir (3) Named:00 ID:01" + dir +
              "            ID: 00000409  Offset: 000000B8\r\n"
              "    ResDir (ICON) Named:00 ID:01" + dir +
              "        ResDir (1) Named:00 ID:01" + dir +
              "            ID: 00000409  Offset: 000000C8\r\n"
              "    ResDir (GROUP_ICON) Named:01 ID:00" + dir +
              "        ResDir (APPICON) Named:00 ID:01" + dir +
              "            ID: 00000409  Offset: 000000D8\r\n");
}

TEST(ResourcesReport, TypeIdsAboveTheTablePrintInHex) {
    const std::vector<ResItem> items = {{ResKey{24, ""}, ResKey{1, ""}, 0, Bytes(4, 1)},
                                        {ResKey{0x2A, ""}, ResKey{0x1F, ""}, 0, Bytes(4, 1)}};
    const std::string text = RunReport(&ReportResources, ImageWithResources(items).Build());
    EXPECT_NE(text.find("\n    ResDir (18) "), std::string::npos);
    EXPECT_NE(text.find("\n    ResDir (2A) "), std::string::npos);
    EXPECT_NE(text.find("\n        ResDir (1F) "), std::string::npos);
}

TEST(ResourcesReport, DirectoryLoopsAreNotFollowedAgain) {
    std::vector<ResItem> items = {{ResKey{3, ""}, ResKey{1, ""}, 0, Bytes(4, 1)}};
    PeBuilder builder = ImageWithResources(items);
    // The name directory's entry leads back to the root directory.
    builder.sections[1].data.U32(0x18 + 16 + 4, 0x80000000u);
    const std::string text = RunReport(&ReportResources, builder.Build());
    EXPECT_EQ(text,
              "Resources\r\n"
              "ResDir (0) Named:00 ID:01 TimeDate:00000000 Vers:0.00 Char:0\r\n"
              "    ResDir (ICON) Named:00 ID:01 TimeDate:00000000 Vers:0.00 Char:0\r\n");
}

// A crafted resource section: the root's 4096 entries lead to 4096
// directories that overlap, one slot apart, in a run of identical slots.
// Each slot reads as a data entry and, as a directory's counts, as 2048
// entries, so every directory claims the 2048 slots that follow it: a walk
// that read every entry of every directory would print 8 million lines.
constexpr uint32_t kOverlapDirectories = 4096;
constexpr uint32_t kOverlapEntries = 2048;
constexpr uint32_t kOverlapRun = 16 + 8 * kOverlapDirectories;
constexpr uint32_t kOverlapSize = kOverlapRun + 8 * (kOverlapDirectories + kOverlapEntries + 2);

PeBuilder OverlappingDirectories() {
    PeBuilder builder;
    auto& rsrc = builder.Section(".rsrc", kRsrcVa).data;
    rsrc.U16(14, static_cast<uint16_t>(kOverlapDirectories));
    for (uint32_t i = 0; i < kOverlapDirectories; ++i) {
        rsrc.U32(16 + 8 * i, i + 1).U32(20 + 8 * i, 0x80000000u | (kOverlapRun + 8 * i));
    }
    for (uint32_t slot = kOverlapRun; slot < kOverlapSize; slot += 8) rsrc.U32(slot, 1).U32(slot + 4, kOverlapEntries << 16);
    builder.Directory(2, kRsrcVa, kOverlapSize);
    return builder;
}

TEST(ResourcesReport, OverlappingDirectoriesCostNoMoreThanTheSectionHolds) {
    const std::string text = RunReport(&ReportResources, OverlappingDirectories().Build());
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_GT(lines, size_t{kOverlapEntries});
    // Each directory line and entry line stands for an entry read; the
    // walk reads at most as many entries as the section has room for.
    EXPECT_LE(lines, 2 * (kOverlapSize / 8) + 2);

    test::SimFiles files;
    CTextLogWindow window;
    DumpResources(files.Put("overlap.exe", OverlappingDirectories().Build()), &window);
    EXPECT_EQ(window.Text(), "resdump: instance directory expected\n");
}

TEST(ResourcesReport, NoResourceDirectoryWritesNothing) {
    PeBuilder builder;
    builder.Section(".text", 0x1000).data.U8(0, 0xC3);
    EXPECT_EQ(RunReport(&ReportResources, builder.Build()), "");
}

// The resources of the dumper tests: two icons and their group (capital
// string name), a cursor and its group, bitmaps of 4, 24 and 8 bits (the
// last with two colours used), and data the dumper only lists.
struct DumperFixture {
    std::vector<uint8_t> icon1 = Dib(4, 0, 64 + 128 + 64);
    std::vector<uint8_t> icon2 = Dib(8, 0, 1024 + 256 + 64);
    std::vector<uint8_t> cursorImage = Dib(1, 0, 8 + 128 + 128);
    std::vector<uint8_t> bitmap4 = Dib(4, 0, 64 + 32);
    std::vector<uint8_t> bitmap24 = Dib(24, 0, 192);
    std::vector<uint8_t> bitmap8 = Dib(8, 2, 8 + 64);

    std::vector<uint8_t> IconGroup() const {
        Blob group;
        group.U16(0, 0).U16(2, 1).U16(4, 2);
        group.U8(6, 16).U8(7, 16).U8(8, 16).U16(10, 1).U16(12, 4).U32(14, uint32_t(icon1.size())).U16(18, 1);
        group.U8(20, 32).U8(21, 32).U8(22, 0).U16(24, 1).U16(26, 8).U32(28, uint32_t(icon2.size())).U16(32, 2);
        return group.bytes;
    }
    std::vector<uint8_t> CursorData() const {
        Blob cursor;
        cursor.U16(0, 5).U16(2, 7).Bytes(4, cursorImage);
        return cursor.bytes;
    }
    std::vector<uint8_t> CursorGroup() const {
        Blob group;
        group.U16(0, 0).U16(2, 2).U16(4, 1);
        group.U16(6, 32).U16(8, 64).U16(10, 1).U16(12, 1).U32(14, uint32_t(cursorImage.size() + 4)).U16(18, 3);
        return group.bytes;
    }
    std::vector<ResItem> Items() const {
        return {
            {ResKey{1, ""}, ResKey{3, ""}, 0x409, CursorData()},
            {ResKey{2, ""}, ResKey{0, "LOGO"}, 0x409, bitmap8},
            {ResKey{2, ""}, ResKey{101, ""}, 0x409, bitmap4},
            {ResKey{2, ""}, ResKey{102, ""}, 0x409, bitmap24},
            {ResKey{3, ""}, ResKey{1, ""}, 0x409, icon1},
            {ResKey{3, ""}, ResKey{2, ""}, 0x409, icon2},
            {ResKey{10, ""}, ResKey{0, "NOTES"}, 0x409, Bytes(6, 9)},
            {ResKey{12, ""}, ResKey{0, "Pointer"}, 0x409, CursorGroup()},
            {ResKey{14, ""}, ResKey{0, "APPICON"}, 0x409, IconGroup()},
        };
    }
};

std::string ScriptText(const test::SimFiles& files, const std::string& name) {
    const std::vector<uint8_t> bytes = files.Read(name);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The address line shows where the data lies in this run's mapping.
std::string WithoutAddresses(const std::string& text) {
    std::string out;
    const std::string key = "Address = ";
    size_t at = 0;
    for (size_t found; (found = text.find(key, at)) != std::string::npos; at = text.find('\n', found)) {
        out += text.substr(at, found - at) + key + "*";
    }
    return out + text.substr(at);
}

TEST(ResourceDumper, ScriptLogAndExtractedFiles) {
    test::SimFiles files;
    const DumperFixture fixture;
    CTextLogWindow window;
    DumpResources(files.Put("fix.exe", ImageWithResources(fixture.Items()).Build()), &window);

    EXPECT_EQ(ScriptText(files, "fix.rc"),
              "// fix.rc\r\n\r\n"
              "LOGO BITMAP \"LOGO.bmp\"\r\n\r\n"
              "101 BITMAP \"101.bmp\"\r\n\r\n"
              "102 BITMAP \"102.bmp\"\r\n\r\n"
              "Pointer CURSOR \"Pointer.cur\"\r\n\r\n"
              "APPICON ICON \"APPICON.ico\"\r\n\r\n");
    const std::string log = WithoutAddresses(window.Text());
    EXPECT_EQ(log.rfind("Type = RT_CURSOR\nName = 3\nAddress = *\nSize = " + std::to_string(fixture.CursorData().size()) +
                            "\n\nType = RT_BITMAP\nName = LOGO\nAddress = *\n",
                        0),
              0u);
    EXPECT_NE(log.find("Type = RT_RCDATA\nName = NOTES\nAddress = *\nSize = 6\n\n"), std::string::npos);
    EXPECT_EQ(log.find("CORRUPT"), std::string::npos);

    // Bits offsets: 4 bits and no colours used: 54 + 64; 24 bits: 54;
    // two colours used: 54 + 8.
    struct BitmapCase {
        const char* file;
        const std::vector<uint8_t>& dib;
        uint32_t bitsOffset;
    };
    const BitmapCase bitmaps[] = {{"101.bmp", fixture.bitmap4, 118}, {"102.bmp", fixture.bitmap24, 54},
                                  {"logo.bmp", fixture.bitmap8, 62}};
    for (const BitmapCase& c : bitmaps) {
        Blob header;
        header.U16(0, 0x4D42).U32(2, uint32_t(c.dib.size() + 14)).U32(6, 0).U32(10, c.bitsOffset);
        EXPECT_EQ(files.Read(c.file), Concat({header.bytes, c.dib})) << c.file;
    }

    // The icon: 6 + 2 * 16 bytes of header and directory, then both images
    // in group order.
    Blob iconHeader;
    iconHeader.U16(0, 0).U16(2, 1).U16(4, 2);
    iconHeader.U8(6, 16).U8(7, 16).U8(8, 16).U16(10, 1).U16(12, 4).U32(14, uint32_t(fixture.icon1.size())).U32(18, 38);
    iconHeader.U8(22, 32).U8(23, 32).U16(26, 1).U16(28, 8).U32(30, uint32_t(fixture.icon2.size()));
    iconHeader.U32(34, uint32_t(38 + fixture.icon1.size()));
    EXPECT_EQ(files.Read("appicon.ico"), Concat({iconHeader.bytes, fixture.icon1, fixture.icon2}));

    // The cursor: hot spot from the cursor data, half the group's height.
    Blob cursorHeader;
    cursorHeader.U16(0, 0).U16(2, 2).U16(4, 1);
    cursorHeader.U8(6, 32).U8(7, 32).U16(10, 5).U16(12, 7).U32(14, uint32_t(fixture.cursorImage.size())).U32(18, 22);
    EXPECT_EQ(files.Read("pointer.cur"), Concat({cursorHeader.bytes, fixture.cursorImage}));
}

TEST(ResourceDumper, BitmapBitsOffsetFollowsHeaderMasksAndPalette) {
    struct Case {
        uint16_t bitCount;
        uint32_t colorsUsed;
        uint32_t headerSize;
        uint32_t compression;
        uint32_t bitsOffset;
    };
    const Case cases[] = {
        {4, 0, 40, 0, 118},  {24, 0, 40, 0, 54}, {8, 2, 40, 0, 62},  {1, 0, 40, 0, 62},
        {8, 0, 40, 0, 1078}, {32, 0, 40, 3, 66}, {32, 0, 124, 3, 138}, {24, 0, 108, 0, 122},
    };
    std::vector<ResItem> items;
    for (size_t i = 0; i < std::size(cases); ++i) {
        Blob dib;
        dib.Bytes(0, Dib(cases[i].bitCount, cases[i].colorsUsed, 160));
        dib.U32(0, cases[i].headerSize).U32(16, cases[i].compression);
        items.push_back({ResKey{2, ""}, ResKey{static_cast<uint16_t>(i + 1), ""}, 0x409, dib.bytes});
    }
    test::SimFiles files;
    CTextLogWindow window;
    DumpResources(files.Put("bits.exe", ImageWithResources(items).Build()), &window);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::vector<uint8_t> bmp = files.Read(std::to_string(i + 1) + ".bmp");
        ASSERT_EQ(bmp.size(), 14u + 200u) << i;
        const uint32_t offset = bmp[10] | (bmp[11] << 8) | (bmp[12] << 16) | (uint32_t{bmp[13]} << 24);
        EXPECT_EQ(offset, cases[i].bitsOffset) << "case " << i;
    }
}

TEST(ResourceDumper, ExecutableWithoutResourcesGetsAnEmptyScript) {
    test::SimFiles files;
    PeBuilder builder;
    builder.Section(".text", 0x1000).data.U8(0, 0xC3);
    CTextLogWindow window;
    DumpResources(files.Put("Plain.Program.exe", builder.Build()), &window);
    EXPECT_EQ(window.Text(), "");
    EXPECT_EQ(ScriptText(files, "Plain.Program.rc"), "// Plain.Program.rc\r\n\r\n");
}

TEST(ResourceDumper, MissingImagesOfGroups) {
    const DumperFixture fixture;
    std::vector<ResItem> items = fixture.Items();
    // Without RT_CURSOR the cursor file ends after its header and the dump
    // goes on; without RT_ICON the icon file fails and ends the dump.
    items.erase(items.begin());  // RT_CURSOR 3
    items.erase(items.begin() + 3, items.begin() + 5);  // RT_ICON 1 and 2
    items.push_back({ResKey{14, ""}, ResKey{0, "SECOND"}, 0x409, fixture.IconGroup()});
    test::SimFiles files;
    CTextLogWindow window;
    DumpResources(files.Put("broken.exe", ImageWithResources(items).Build()), &window);
    const std::string log = window.Text();
    EXPECT_NE(log.find("Name = Pointer\nAddress"), std::string::npos);
    EXPECT_NE(log.find("\n\nCORRUPT PE FILE\r\nType = RT_GROUP_ICON\nName = APPICON\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 15), "CORRUPT PE FILE");
    EXPECT_EQ(log.find("SECOND"), std::string::npos);
    EXPECT_EQ(files.Read("pointer.cur").size(), 6u);
    EXPECT_EQ(files.Read("appicon.ico").size(), 38u);
    EXPECT_FALSE(files.Exists("second.ico"));
}

TEST(ResourceDumper, NamesCannotLeaveTheCurrentDirectory) {
    const DumperFixture fixture;
    const std::vector<ResItem> items = {{ResKey{2, ""}, ResKey{0, "..\\..\\Up/Evil"}, 0x409, fixture.bitmap24}};
    test::SimFiles files;
    CTextLogWindow window;
    DumpResources(files.Put("names.exe", ImageWithResources(items).Build()), &window);
    EXPECT_EQ(ScriptText(files, "names.rc"), "// names.rc\r\n\r\n..\\..\\Up/Evil BITMAP \".._.._Up_Evil.bmp\"\r\n\r\n");
    EXPECT_TRUE(files.Exists(".._.._up_evil.bmp"));
}

TEST(ResourceDumper, ValidationMessages) {
    test::SimFiles files;
    std::vector<uint8_t> image = PeBuilder().Build();
    std::vector<uint8_t> noMz = image;
    noMz[0] = 'Z';
    std::vector<uint8_t> farLfanew = image;
    farLfanew[0x3C] = 0xFF;
    farLfanew[0x3D] = 0xFF;
    std::vector<uint8_t> noPe = image;
    noPe[PeBuilder::kNtAt] = 'X';
    struct Case {
        std::vector<uint8_t> bytes;
        const char* expected;
    };
    const Case cases[] = {{noMz, "resdump: DOS header missing\n"},
                          {farLfanew, "resdump: not a PE-based EXE file\n"},
                          {noPe, "resdump: not a PE file\n"},
                          {std::vector<uint8_t>{'M'}, "resdump: DOS header missing\n"}};
    for (const Case& c : cases) {
        CTextLogWindow window;
        DumpResources(files.Put("bad.exe", c.bytes), &window);
        EXPECT_EQ(window.Text(), c.expected);
        EXPECT_FALSE(files.Exists("bad.rc"));
    }
    CTextLogWindow window;
    DumpResources("C:\\work\\none.exe", &window);
    EXPECT_EQ(window.Text(), "resdump: could not open C:\\work\\none.exe\n");
}

}  // namespace
}  // namespace qv
