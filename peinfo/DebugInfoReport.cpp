// The debug directory of a file by path: each validation step names its own
// failure, then every entry with the CodeView and MISC records it points to.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "base/PeImage.h"
#include "peinfo/DebugRecords.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"
#include "platform/Platform.h"

namespace qv {

namespace {

struct DebugTypeName {
    uint32_t type;
    const char* name;
};
constexpr DebugTypeName kDebugTypeNames[] = {
    {1, "COFF"},      {2, "CodeView"}, {3, "FPO"},         {4, "MISC"},          {5, "Exception"},
    {6, "Fixup"},     {7, "OMAP-to-SRC"}, {8, "OMAP-from-SRC"}, {9, "Borland"},
};
constexpr const char* kUnknownDebugType = "Unknown";

constexpr uint64_t kDebugDirectoryAt32 = kDataDirectoryOffset32 + kDirDebug * kDataDirectorySize;
constexpr uint64_t kDebugDirectoryAt64 = kDataDirectoryOffset64 + kDirDebug * kDataDirectorySize;
constexpr uint32_t kDebugTypeCodeView = 2;
constexpr uint32_t kDebugTypeMisc = 4;

const char* DebugTypeName(uint32_t type) {
    for (const auto& known : kDebugTypeNames) {
        if (known.type == type) return known.name;
    }
    return kUnknownDebugType;
}

struct DebugDirectoryLocation {
    uint64_t ntHeaders = 0;
    uint64_t firstSection = 0;
    uint16_t sectionCount = 0;
    uint32_t rva = 0;
    uint32_t size = 0;
};

// The validation of the headers up to the debug directory entry; nothing
// when the file is not a PE executable.
std::optional<DebugDirectoryLocation> ValidateImage(ByteView image) {
    if (!image.Contains(0, kDosHeaderSize) || image.GetOr<uint16_t>(0, 0) != kDosSignature) return std::nullopt;
    DebugDirectoryLocation location;
    location.ntHeaders = image.GetOr<uint32_t>(kDosLfanewOffset, 0);
    if (image.GetOr<uint32_t>(location.ntHeaders, 0) != kNtSignature) return std::nullopt;
    const uint64_t fileHeader = location.ntHeaders + kFileHeaderOffset;
    if (!image.Contains(fileHeader, kFileHeaderSize)) return std::nullopt;
    const uint16_t optionalSize = image.GetOr<uint16_t>(fileHeader + kFhSizeOfOptionalHeader, 0);
    const uint64_t optional = location.ntHeaders + kOptionalHeaderOffset;
    if (!image.Contains(optional, optionalSize)) return std::nullopt;
    uint16_t magic = 0;
    if (!image.Read(optional, magic) || (magic != kOptionalMagic32 && magic != kOptionalMagic64)) return std::nullopt;
    location.sectionCount = image.GetOr<uint16_t>(fileHeader + kFhNumberOfSections, 0);
    location.firstSection = optional + optionalSize;
    if (!image.Contains(location.firstSection, uint64_t{location.sectionCount} * kSectionHeaderSize)) {
        return std::nullopt;
    }
    const uint64_t entry = optional + (magic == kOptionalMagic32 ? kDebugDirectoryAt32 : kDebugDirectoryAt64);
    if (!image.Read(entry, location.rva) || !image.Read(entry + 4, location.size)) return std::nullopt;
    if ((location.rva == 0) != (location.size == 0)) return std::nullopt;
    return location;
}

// The file position of the directory, by the sections' virtual sizes.
std::optional<uint64_t> DirectoryPosition(ByteView image, const DebugDirectoryLocation& location) {
    for (uint32_t i = 0; i < location.sectionCount; ++i) {
        const uint64_t header = location.firstSection + uint64_t{i} * kSectionHeaderSize;
        const uint32_t virtualAddress = image.GetOr<uint32_t>(header + kShVirtualAddress, 0);
        const uint32_t virtualSize = image.GetOr<uint32_t>(header + kShVirtualSize, 0);
        if (virtualAddress <= location.rva && uint64_t{location.rva} < uint64_t{virtualAddress} + virtualSize) {
            return uint64_t{image.GetOr<uint32_t>(header + kShPointerToRawData, 0)} + (location.rva - virtualAddress);
        }
    }
    return std::nullopt;
}

void ReportEntry(ByteView image, ByteView entry, NameBudget& budget, CWnd* window) {
    const uint32_t type = entry.GetOr<uint32_t>(12, 0);
    const uint32_t dataSize = entry.GetOr<uint32_t>(16, 0);
    const uint32_t rawPointer = entry.GetOr<uint32_t>(24, 0);
    if (type != 0) {
        ReportLine(window, "Type: %u ( %s ) \n", type, DebugTypeName(type));
        ReportLine(window, "TimeStamp: %08x  Characteristics: %x  MajorVer: %u  MinorVer: %u \n",
                   entry.GetOr<uint32_t>(4, 0), entry.GetOr<uint32_t>(0, 0), unsigned{entry.GetOr<uint16_t>(8, 0)},
                   unsigned{entry.GetOr<uint16_t>(10, 0)});
        ReportLine(window, "Size: %u  RVA: %08x  FileOffset: %08x  \n", dataSize, entry.GetOr<uint32_t>(20, 0),
                   rawPointer);
    } else {
        ReportLine(window, "Type: Unknown.\n");
    }
    if (type == kDebugTypeCodeView) ReportCodeViewRecord(image, rawPointer, dataSize, budget, window);
    if (type == kDebugTypeMisc) ReportMiscRecord(image, rawPointer, dataSize, budget, window);
}

}  // namespace

void ReportDebugDirectory(ByteView image, CWnd* window) {
    const auto location = ValidateImage(image);
    if (!location) {
        ReportLine(window, "Error: File is not a PE executable.\n");
        return;
    }
    const auto position = location->rva != 0 ? DirectoryPosition(image, *location) : std::nullopt;
    if (!position) {
        ReportLine(window, "Debug directory not found.\n");
        return;
    }
    const auto directory = image.Sub(*position, location->size);
    if (!directory || location->size < kDebugEntrySize) {
        ReportLine(window, "Error: Debug directory is not valid.\n");
        return;
    }
    const uint32_t count = location->size / kDebugEntrySize;
    ReportLine(window, "Number of entries in debug directory: %d \n", static_cast<int>(count));
    NameBudget budget(image);
    for (uint32_t k = 1; k <= count; ++k) {
        ReportLine(window, "\nDebug directory entry %d: \n", static_cast<int>(k));
        ReportEntry(image, *directory->Sub(uint64_t{k - 1} * kDebugEntrySize, kDebugEntrySize), budget, window);
    }
}

void ReportDebugInfo(const std::string& path, CWnd* window) {
    if (path.empty()) return;
    ReportLine(window, "File: %s \n", path.c_str());
    IPlatform& platform = Platform();
    const Handle file = platform.OpenFileForRead(path.c_str(), kFileShareRead);
    if (file == kNullHandle) {
        ReportLine(window, "Error: Cannot open the file. Error code: %u \n", platform.GetLastError());
        return;
    }
    const Handle mapping = platform.CreateFileMapping(file, 0);
    const uint8_t* view = nullptr;
    uint64_t length = 0;
    if (mapping == kNullHandle) {
        ReportLine(window, "Error: Cannot open the file mapping object. Error code: %u \n", platform.GetLastError());
    } else {
        view = platform.MapViewOfFile(mapping, 0, length);
        if (view == nullptr) {
            ReportLine(window, "Error: Cannot map the file. Error code: %u \n", platform.GetLastError());
        } else {
            ReportDebugDirectory(ByteView(view, length), window);
        }
    }
    if (view != nullptr && !platform.UnmapViewOfFile(view)) {
        ReportLine(window, "Error: Cannot unmap the file. Error code: %u \n", platform.GetLastError());
    }
    if (mapping != kNullHandle && !platform.CloseHandle(mapping)) {
        ReportLine(window, "Error: Cannot close the file mapping object. Error code: %u \n", platform.GetLastError());
    }
    if (!platform.CloseHandle(file)) {
        ReportLine(window, "Error: Cannot close the file. Error code: %u \n", platform.GetLastError());
    }
}

}  // namespace qv
