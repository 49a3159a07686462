// One synthetic image with something for every report: imports (by name and
// by ordinal), exports, a debug directory with CodeView and MISC records, a
// resource tree with an icon group, a cursor group and a bitmap, and base
// relocations. Used where every report must meet every structure, such as
// the tests on files cut short.
#pragma once

#include <vector>

#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ResourceBuilder.h"

namespace qv::test {

inline std::vector<uint8_t> AllReportsImage() {
    PeBuilder builder;
    builder.pointerToSymbolTable = 0x10;

    auto& idata = builder.Section(".idata", 0x2000).data;
    idata.U32(0x00, 0x2100).U32(0x0C, 0x2200).U32(0x10, 0x2300);
    idata.U64(0x100, 0x2400).U64(0x108, 0x8000000000000004ULL).U64(0x110, 0x2410);
    idata.U64(0x300, 0x2400).U64(0x308, 0x8000000000000004ULL).U64(0x310, 0x2410);
    idata.Str(0x200, "fixlib.dll").U16(0x400, 7).Str(0x402, "alpha").U16(0x410, 9).Str(0x412, "beta");
    builder.Directory(1, 0x2000, 0x28);

    auto& edata = builder.Section(".edata", 0x3000).data;
    edata.U32(0x0C, 0x3100).U32(0x10, 1).U32(0x14, 3).U32(0x18, 2);
    edata.U32(0x1C, 0x3040).U32(0x20, 0x3060).U32(0x24, 0x3070);
    edata.U32(0x40, 0x1010).U32(0x44, 0x1020).U32(0x48, 0x1030);
    edata.U32(0x60, 0x3110).U32(0x64, 0x3120).U16(0x70, 2).U16(0x72, 0);
    edata.Str(0x100, "lib.dll").Str(0x110, "alpha").Str(0x120, "zeta");
    builder.Directory(0, 0x3000, 0x130);

    // Debug entries point at records by file position: set once the layout
    // is known (below).
    auto& rdata = builder.Section(".rdata", 0x4000).data;
    rdata.U32(0x0C, 2).U32(0x10, 30).U32(0x14, 0x4060);
    rdata.U32(0x1C + 0x0C, 4).U32(0x1C + 0x10, 24);
    rdata.U32(0x38 + 0x0C, 1).U32(0x38 + 0x10, 32);
    rdata.Str(0x60, "RSDS").U32(0x74, 1).Str(0x78, "a.pdb");
    rdata.U32(0xA0, 1).U32(0xA4, 24).Str(0xAC, "x.exe");
    rdata.U32(0xC0, 5).U32(0xDC, 9);
    builder.Directory(6, 0x4000, 84);

    Blob icon;
    icon.U32(0, 40).U16(14, 4).At(40, 64 + 64);
    Blob iconGroup;
    iconGroup.U16(2, 1).U16(4, 1).U8(6, 16).U8(7, 16).U16(10, 1).U16(12, 4).U32(14, 168).U16(18, 1);
    Blob cursor;
    cursor.U16(0, 3).U16(2, 4).U32(4, 40).U16(18, 1).At(44, 64);
    Blob cursorGroup;
    cursorGroup.U16(2, 2).U16(4, 1).U16(6, 16).U16(8, 32).U16(10, 1).U16(12, 1).U32(14, 108).U16(18, 2);
    Blob bitmap;
    bitmap.U32(0, 40).U16(14, 8).U32(32, 4).At(40, 32);
    const std::vector<ResItem> resources = {
        {ResKey{1, ""}, ResKey{2, ""}, 0x409, cursor.bytes},
        {ResKey{2, ""}, ResKey{0, "LOGO"}, 0x409, bitmap.bytes},
        {ResKey{3, ""}, ResKey{1, ""}, 0x409, icon.bytes},
        {ResKey{12, ""}, ResKey{0, "ARROW"}, 0x409, cursorGroup.bytes},
        {ResKey{14, ""}, ResKey{0, "APPICON"}, 0x409, iconGroup.bytes},
        {ResKey{0, "CONFIG"}, ResKey{3, ""}, 0, {1, 2, 3}},
    };
    builder.Section(".rsrc", 0x5000).data = BuildResourceSection(resources, 0x5000);
    builder.Directory(2, 0x5000, static_cast<uint32_t>(builder.sections.back().data.bytes.size()));

    auto& reloc = builder.Section(".reloc", 0x6000).data;
    reloc.U32(0, 0x1000).U32(4, 12).U16(8, 0xA010).U16(10, 0);
    reloc.U32(12, 0x2000).U32(16, 10).U16(20, 0x3008);
    builder.Directory(5, 0x6000, 22);

    Blob image{builder.Build()};
    const size_t rdataHeader = PeBuilder::kNtAt + 24 + 240 + 2 * 40;
    const uint32_t rdataRaw = image.bytes[rdataHeader + 20] | (image.bytes[rdataHeader + 21] << 8);
    image.U32(rdataRaw + 0x18, rdataRaw + 0x60).U32(rdataRaw + 0x1C + 0x18, rdataRaw + 0xA0);
    image.U32(rdataRaw + 0x38 + 0x18, rdataRaw + 0xC0);
    return image.bytes;
}

}  // namespace qv::test
