// The ways through the headers of a PE file held in memory (a mapped file,
// a test's buffer). The view is untrusted: every operation works on a
// ByteView over the whole file and answers with file offsets (or nothing)
// instead of pointers, so a structure that doesn't fit the file is never
// followed. Offsets are those of the file layout, as the reports read
// the file, not the loaded image.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/ByteView.h"

namespace qv {

// Positions and sizes of the PE structures.
inline constexpr uint16_t kDosSignature = 0x5A4D;    // "MZ"
inline constexpr uint64_t kDosHeaderSize = 64;
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
inline constexpr uint64_t kDataDirectorySize = 8;  // RVA and size
inline constexpr uint16_t kMachineAmd64 = 0x8664;

// Optional header fields (from the optional header). PE32 and PE32+ agree
// up to the base of code; PE32 keeps its base of data where PE32+ starts
// its 64-bit image base.
inline constexpr uint64_t kOhMagic = 0;
inline constexpr uint64_t kOhMajorLinkerVersion = 2;
inline constexpr uint64_t kOhMinorLinkerVersion = 3;
inline constexpr uint64_t kOhSizeOfCode = 4;
inline constexpr uint64_t kOhSizeOfInitializedData = 8;
inline constexpr uint64_t kOhSizeOfUninitializedData = 12;
inline constexpr uint64_t kOhAddressOfEntryPoint = 16;
inline constexpr uint64_t kOhBaseOfCode = 20;
inline constexpr uint64_t kOhBaseOfData32 = 24;  // PE32 only; PE32+ has the image base here
inline constexpr uint64_t kOhImageBase = 24;     // PE32+
inline constexpr uint64_t kOhImageBase32 = 28;   // PE32
inline constexpr uint64_t kOhSectionAlignment = 32;
inline constexpr uint64_t kOhFileAlignment = 36;
inline constexpr uint64_t kOhMajorOsVersion = 40;
inline constexpr uint64_t kOhMinorOsVersion = 42;
inline constexpr uint64_t kOhMajorSubsystemVersion = 48;
inline constexpr uint64_t kOhMinorSubsystemVersion = 50;
inline constexpr uint64_t kOhSizeOfImage = 56;
inline constexpr uint64_t kOhSizeOfHeaders = 60;
inline constexpr uint64_t kOhCheckSum = 64;
inline constexpr uint64_t kOhSubsystem = 68;
inline constexpr uint64_t kOhNumberOfRvaAndSizes = 108;  // PE32+

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
inline constexpr uint32_t kScnMemExecute = 0x20000000;
inline constexpr uint32_t kScnMemWrite = 0x80000000;

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
inline constexpr uint64_t kEdBase = 16;
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

// Debug directory entries.
inline constexpr uint64_t kDebugEntrySize = 28;

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
