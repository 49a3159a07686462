// The table of debug formats of a mapped image, with the COFF symbols header
// where the image has one.
#include <cstdint>
#include <iterator>

#include "base/PeImage.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"

namespace qv {

namespace {

constexpr const char* kFormatNames[] = {"BORLAND", "COFF", "CODEVIEW", "FPO", "MISC", "EXCEPTION", "FIXUP"};
constexpr const char* kUnknownFormat = "???";

constexpr uint32_t kDebugTypeCoff = 1;
constexpr uint64_t kCoffHeaderSize = 32;

// Labels of the eight u32 fields of the COFF symbols header, in order,
// padded so that the values line up.
constexpr const char* kCoffFields[] = {
    "NumberOfSymbols:      ", "LvaToFirstSymbol:     ", "NumberOfLinenumbers:  ", "LvaToFirstLinenumber: ",
    "RvaToFirstByteOfCode: ", "RvaToLastByteOfCode:  ", "RvaToFirstByteOfData: ", "RvaToLastByteOfData:  ",
};

const char* FormatName(uint32_t type) { return type < std::size(kFormatNames) ? kFormatNames[type] : kUnknownFormat; }

// Where the table lies in the file: in a ".debug" section that starts at
// the directory's RVA, else in the section whose raw data holds the RVA
// (".rdata" in most images; linkers also use sections of their own, and the
// ".rdata" delta would point into unrelated bytes there).
std::optional<uint64_t> LocateDebugTable(ByteView image, uint64_t nt, uint32_t rva) {
    const auto debugSection = FindSectionHeader(image, ".debug");
    if (debugSection && image.GetOr<uint32_t>(*debugSection + kShVirtualAddress, 0) == rva) {
        return image.Get<uint32_t>(*debugSection + kShPointerToRawData);
    }
    return RvaToVa(image, nt, rva);
}

}  // namespace

void ReportDebugFormats(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    const auto directory = GetDataDirectory(image, kDirDebug);
    if (!nt || !directory || directory->VirtualAddress == 0) return;
    const auto table = LocateDebugTable(image, *nt, directory->VirtualAddress);
    const uint32_t count = directory->Size / kDebugEntrySize;
    if (!table || count == 0) return;
    const bool hasSymbolTable = image.GetOr<uint32_t>(*nt + kFileHeaderOffset + kFhPointerToSymbolTable, 0) != 0;

    ReportLine(window, "Debug Formats in File\r\n");
    ReportLine(window, "  Type            Size     Address  FilePtr  Charactr TimeData Version\r\n");
    ReportLine(window, "  --------------- -------- -------- -------- -------- -------- --------\r\n");
    for (uint32_t i = 0; i < count; ++i) {
        const auto entry = image.Sub(*table + uint64_t{i} * kDebugEntrySize, kDebugEntrySize);
        if (!entry) return;
        const uint32_t type = entry->GetOr<uint32_t>(12, 0);
        const uint32_t rawPointer = entry->GetOr<uint32_t>(24, 0);
        ReportLine(window, "  %s %08X %08X %08X %08X %08X %u.%02u\r\n", FormatName(type), entry->GetOr<uint32_t>(16, 0),
                   entry->GetOr<uint32_t>(20, 0), rawPointer, entry->GetOr<uint32_t>(0, 0),
                   entry->GetOr<uint32_t>(4, 0), unsigned{entry->GetOr<uint16_t>(8, 0)},
                   unsigned{entry->GetOr<uint16_t>(10, 0)});
        if (type != kDebugTypeCoff || !hasSymbolTable) continue;
        const auto coff = image.Sub(rawPointer, kCoffHeaderSize);
        if (!coff) return;
        ReportLine(window, "COFF Debug Info Header\r\n");
        for (size_t field = 0; field < std::size(kCoffFields); ++field) {
            ReportLine(window, "  %s%08X\r\n", kCoffFields[field], coff->GetOr<uint32_t>(4 * field, 0));
        }
    }
}

}  // namespace qv
