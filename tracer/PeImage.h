// A PE file mapped read-only into the tool's own memory, and the ways the
// reports find their way through it. The view is untrusted: every operation
// works on a ByteView over the whole file and answers with file offsets (or
// nothing) instead of pointers, so a structure that doesn't fit the file is
// never followed. Offsets are those of the file layout, as the reports read
// the file, not the loaded image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PlatformTypes.h"
#include "tracer/ByteView.h"

namespace qv {

// Positions and sizes of the PE structures the reports read.
inline constexpr uint16_t kDosSignature = 0x5A4D;    // "MZ"
inline constexpr uint32_t kNtSignature = 0x00004550; // "PE\0\0"
inline constexpr uint64_t kDosLfanewOffset = 0x3C;
inline constexpr uint64_t kFileHeaderOffset = 4;      // from the NT headers
inline constexpr uint64_t kOptionalHeaderOffset = 24; // from the NT headers
inline constexpr uint64_t kFileHeaderSize = 20;
inline constexpr uint64_t kDataDirectoryOffset64 = 112;  // in a PE32+ optional header
inline constexpr uint64_t kDataDirectoryOffset32 = 96;   // in a PE32 optional header
inline constexpr uint64_t kOptionalHeaderSize64 = 240;
inline constexpr uint64_t kSectionHeaderSize = 40;
inline constexpr uint64_t kSectionNameSize = 8;
inline constexpr uint16_t kOptionalMagic32 = 0x10B;
inline constexpr uint16_t kOptionalMagic64 = 0x20B;

// File header fields (from the file header).
inline constexpr uint64_t kFhMachine = 0;
inline constexpr uint64_t kFhNumberOfSections = 2;
inline constexpr uint64_t kFhTimeDateStamp = 4;
inline constexpr uint64_t kFhPointerToSymbolTable = 8;
inline constexpr uint64_t kFhSizeOfOptionalHeader = 16;
inline constexpr uint64_t kFhCharacteristics = 18;

// Section header fields.
inline constexpr uint64_t kShVirtualSize = 8;
inline constexpr uint64_t kShVirtualAddress = 12;
inline constexpr uint64_t kShSizeOfRawData = 16;
inline constexpr uint64_t kShPointerToRawData = 20;
inline constexpr uint64_t kShCharacteristics = 36;

// Import descriptor fields and thunks (PE32+).
inline constexpr uint64_t kImportDescriptorSize = 20;
inline constexpr uint64_t kIdOriginalFirstThunk = 0;
inline constexpr uint64_t kIdName = 12;
inline constexpr uint64_t kIdFirstThunk = 16;
inline constexpr uint64_t kThunkSize = 8;
inline constexpr uint64_t kOrdinalFlag = 0x8000000000000000ULL;

// Export directory fields.
inline constexpr uint64_t kExportDirectorySize = 40;
inline constexpr uint64_t kEdName = 12;
inline constexpr uint64_t kEdNumberOfFunctions = 20;
inline constexpr uint64_t kEdNumberOfNames = 24;
inline constexpr uint64_t kEdAddressOfFunctions = 28;
inline constexpr uint64_t kEdAddressOfNames = 32;
inline constexpr uint64_t kEdAddressOfNameOrdinals = 36;

// Data directory indexes.
inline constexpr int kDirExport = 0;
inline constexpr int kDirImport = 1;
inline constexpr int kDirResource = 2;
inline constexpr int kDirBaseReloc = 5;
inline constexpr int kDirDebug = 6;

// The mapping record: file handle, mapping handle, view and its length, all
// zero when nothing is mapped.
struct MAPPEDFILE {
    Handle hFile = kNullHandle;
    Handle hMapping = kNullHandle;
    const uint8_t* pView = nullptr;
    uint64_t nViewLength = 0;

    ByteView View() const { return ByteView(pView, nViewLength); }
};

// Maps the whole file read-only; on failure closes what it opened, leaves the
// record zeroed and returns false.
bool MapFileReadOnly(const std::string& path, MAPPEDFILE& mapping);
// Unmaps the view, closes the mapping and the file, each only when set, and
// zeroes the record.
void UnmapFile(MAPPEDFILE& mapping);

// "MZ" at the start and "PE\0\0" at e_lfanew, both inside the view.
bool IsPeImage(ByteView image);
// The offset of the NT headers when IsPeImage, else nothing.
std::optional<uint64_t> GetNtHeaders(ByteView image);
std::optional<uint64_t> GetFileHeader(ByteView image);
std::optional<uint64_t> GetOptionalHeader(ByteView image);
// NT headers + 24 + SizeOfOptionalHeader.
std::optional<uint64_t> GetFirstSectionHeader(ByteView image);

// The file offset of an RVA: the first section (of the table that follows
// the optional header) with VirtualAddress <= rva < VirtualAddress +
// SizeOfRawData gives PointerToRawData - VirtualAddress + rva. Nothing when
// no section holds it or the offset lies outside the file.
std::optional<uint64_t> RvaToVa(ByteView image, uint64_t ntHeaders, uint32_t rva);
// Data directory `index` of the PE32+ table turned into a file offset;
// nothing without NT headers, for an RVA of 0 or one that no section holds.
std::optional<uint64_t> GetDataDirectoryVa(ByteView image, int index);
// The RVA and size of data directory `index` of the PE32+ table.
struct DataDirectory {
    uint32_t VirtualAddress = 0;
    uint32_t Size = 0;
};
std::optional<DataDirectory> GetDataDirectory(ByteView image, int index);
// The offset of the first section header, in table order, whose name equals
// `name` ignoring case; nothing when there is none or no NT headers.
std::optional<uint64_t> FindSectionHeader(ByteView image, std::string_view name);
// As RvaToVa, but with the section table taken to follow a 240-byte PE32+
// optional header (NT headers + 264) whatever SizeOfOptionalHeader says;
// 0 when no section holds the RVA.
uint64_t RvaToFileOffset(ByteView image, uint64_t ntHeaders, uint32_t rva);

// True when the view is empty or every byte is 0.
bool IsAllZero(ByteView bytes);

}  // namespace qv
