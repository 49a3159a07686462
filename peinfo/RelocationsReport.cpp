// The base relocation blocks of a mapped image.
#include <cstdint>
#include <iterator>

#include "base/PeImage.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"

namespace qv {

namespace {

constexpr const char* kRelocationTypes[] = {
    "ABSOLUTE", "HIGH", "LOW", "HIGHLOW", "HIGHADJ", "MIPS_JMPADDR", "I860_BRADDR", "I860_SPLIT",
    "unknown",  "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
};
static_assert(std::size(kRelocationTypes) == 16, "one name per 4-bit type");

constexpr uint32_t kBlockHeaderSize = 8;

}  // namespace

void ReportRelocations(ByteView image, CWnd* window) {
    const auto directory = GetDataDirectory(image, kDirBaseReloc);
    const auto start = GetDataDirectoryVa(image, kDirBaseReloc);
    if (!directory || !start) return;
    ReportLine(window, "base relocations:\r\n\r\n");
    const uint64_t end = *start + directory->Size;
    for (uint64_t block = *start; block < end;) {
        uint32_t pageRva = 0;
        uint32_t blockSize = 0;
        if (!image.Read(block, pageRva) || !image.Read(block + 4, blockSize)) return;
        if (blockSize < kBlockHeaderSize) return;
        ReportLine(window, "Virtual Address: %08X  size: %08X\r\n", pageRva, blockSize);
        // A size that claims more than the directory holds ends the report
        // after the entries inside the directory, not at the end of the file.
        const uint64_t blockEnd = block + blockSize;
        const uint64_t entriesEnd = blockEnd < end ? blockEnd : end;
        for (uint64_t entryAt = block + kBlockHeaderSize; entryAt + 2 <= entriesEnd; entryAt += 2) {
            uint16_t entry = 0;
            if (!image.Read(entryAt, entry)) return;
            ReportLine(window, "%s  %08X\r\n", kRelocationTypes[entry >> 12], pageRva + (entry & 0xFFFu));
        }
        block = blockEnd;
    }
}

}  // namespace qv
