// Headers and sections: the file header, the PE32+ optional header and the
// section table.
#include <cstdint>
#include <string>

#include "base/PeImage.h"
#include "peinfo/AscTime.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"

namespace qv {

namespace {

struct MachineName {
    uint16_t machine;
    const char* line;
};
constexpr MachineName kMachines[] = {
    {0x14C, "CPU is Intel i386\r\n"}, {0x162, "CPU is MIPS R3000\r\n"}, {0x166, "CPU is MIPS R4000\r\n"},
    {0x184, "CPU is Alpha AXP\r\n"},  {0x1F0, "CPU is Power PC\r\n"},
};
constexpr const char* kUnknownMachine = "CPU unknown\r\n";

constexpr uint16_t kFileSystem = 0x1000;
constexpr uint16_t kFileDll = 0x2000;

}  // namespace

void ReportFileHeader(ByteView image, CWnd* window) {
    const auto fileHeaderAt = GetFileHeader(image);
    if (!fileHeaderAt) return;
    const auto header = image.Sub(*fileHeaderAt, kFileHeaderSize);
    if (!header) return;

    const uint16_t machine = header->GetOr<uint16_t>(kFhMachine, 0);
    const char* machineLine = kUnknownMachine;
    for (const MachineName& known : kMachines) {
        if (known.machine == machine) machineLine = known.line;
    }
    ReportLine(window, "%s", machineLine);
    ReportLine(window, "File section number: %d\r\n", header->GetOr<uint16_t>(kFhNumberOfSections, 0));
    ReportLine(window, "File create GMT time is: %s\r\n",
               AscTimeUtc(header->GetOr<uint32_t>(kFhTimeDateStamp, 0)).c_str());
    ReportLine(window, "IAMGE_OPTIONAL_HEADER32 structure size: %d\r\n",
               header->GetOr<uint16_t>(kFhSizeOfOptionalHeader, 0));
    const uint16_t characteristics = header->GetOr<uint16_t>(kFhCharacteristics, 0);
    if (characteristics & kFileSystem) ReportLine(window, "It's system file\r\n");
    if (characteristics & kFileDll) ReportLine(window, "It's DLL file\r\n");
}

void ReportOptionalHeader(ByteView image, CWnd* window) {
    const auto optionalAt = GetOptionalHeader(image);
    if (!optionalAt) return;
    const auto header = image.Sub(*optionalAt, kDataDirectoryOffset64);
    if (!header) return;
    const auto u8 = [&](uint64_t at) { return static_cast<unsigned>(header->GetOr<uint8_t>(at, 0)); };
    const auto u16 = [&](uint64_t at) { return static_cast<unsigned>(header->GetOr<uint16_t>(at, 0)); };
    const auto u32 = [&](uint64_t at) { return header->GetOr<uint32_t>(at, 0); };

    // A PE32+ header has no base-of-data field; a PE32 one has it where the
    // PE32+ image base begins.
    const uint32_t baseOfData = u16(0) == kOptionalMagic32 ? u32(kOhBaseOfData32) : 0;

    ReportLine(window, "\nMajor linker version: %d, Minor linker version: %d\r\n", u8(kOhMajorLinkerVersion),
               u8(kOhMinorLinkerVersion));
    ReportLine(window, "Size of code: %ld\r\n", static_cast<long>(static_cast<int32_t>(u32(kOhSizeOfCode))));
    ReportLine(window, "Size of initialized data: %ld\r\n",
               static_cast<long>(static_cast<int32_t>(u32(kOhSizeOfInitializedData))));
    ReportLine(window, "Size of uninitialized data: %ld\r\n",
               static_cast<long>(static_cast<int32_t>(u32(kOhSizeOfUninitializedData))));
    ReportLine(window, "AddressOfEntryPoint:0x%16X\r\n", u32(kOhAddressOfEntryPoint));
    ReportLine(window, "BaseOfCode:0x%16X\r\n", u32(kOhBaseOfCode));
    ReportLine(window, "BaseOfData:0x%16X\r\n", baseOfData);
    ReportLine(window, "ImageBase:0x%16X\r\n", static_cast<uint32_t>(header->GetOr<uint64_t>(kOhImageBase, 0)));
    ReportLine(window, "Major OS version: %d\r\n", u16(kOhMajorOsVersion));
    ReportLine(window, "Minor OS version: %d\r\n", u16(kOhMinorOsVersion));
    ReportLine(window, "Major sub system version: %d\r\n", u16(kOhMajorSubsystemVersion));
    ReportLine(window, "Minor sub system version: %d\r\n", u16(kOhMinorSubsystemVersion));
    ReportLine(window, "SizeOfIamge: %d\r\n", static_cast<int>(u32(kOhSizeOfImage)));
    ReportLine(window, "SizeOfHeader: %d\r\n", static_cast<int>(u32(kOhSizeOfHeaders)));
    ReportLine(window, "Check number: %ld\r\n", static_cast<long>(static_cast<int32_t>(u32(kOhCheckSum))));
    ReportLine(window, "Sub system: %d\r\n", u16(kOhSubsystem));
    ReportLine(window, "Number of Rva and size: %d\r\n", static_cast<int>(u32(kOhNumberOfRvaAndSizes)));
}

void ReportSections(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    const auto first = GetFirstSectionHeader(image);
    if (!nt || !first) return;
    ReportLine(window, "\nPE file section info:\r\n");
    const uint16_t count = image.GetOr<uint16_t>(*nt + kFileHeaderOffset + kFhNumberOfSections, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const auto section = image.Sub(*first + uint64_t{i} * kSectionHeaderSize, kSectionHeaderSize);
        if (!section) return;
        const std::string name(section->FixedString(0, kSectionNameSize));
        ReportLine(window, "Section: %s\t", name.c_str());
        ReportLine(window, "VirtualSize: %x\t", section->GetOr<uint32_t>(kShVirtualSize, 0));
        ReportLine(window, "VirtualAddress: 0x%08x\t", section->GetOr<uint32_t>(kShVirtualAddress, 0));
        ReportLine(window, "SizeOfRawData: %x\t", section->GetOr<uint32_t>(kShSizeOfRawData, 0));
        ReportLine(window, "Characteristics: %X\r\n", section->GetOr<uint32_t>(kShCharacteristics, 0));
    }
}

}  // namespace qv
