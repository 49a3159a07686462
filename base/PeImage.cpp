#include "base/PeImage.h"

#include "base/AsciiText.h"

namespace qv {

namespace {

// The section of the table at firstSection that holds rva within its raw
// data, as a file offset.
std::optional<uint64_t> SectionRvaToOffset(ByteView image, uint64_t firstSection, uint16_t sectionCount,
                                           uint32_t rva) {
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint64_t header = firstSection + uint64_t{i} * kSectionHeaderSize;
        uint32_t virtualAddress = 0;
        uint32_t rawSize = 0;
        uint32_t rawPointer = 0;
        if (!image.Read(header + kShVirtualAddress, virtualAddress) || !image.Read(header + kShSizeOfRawData, rawSize) ||
            !image.Read(header + kShPointerToRawData, rawPointer)) {
            return std::nullopt;
        }
        if (virtualAddress <= rva && uint64_t{rva} < uint64_t{virtualAddress} + rawSize) {
            return uint64_t{rawPointer} + (rva - virtualAddress);
        }
    }
    return std::nullopt;
}

uint16_t SectionCount(ByteView image, uint64_t ntHeaders) {
    return image.GetOr<uint16_t>(ntHeaders + kFileHeaderOffset + kFhNumberOfSections, 0);
}

}  // namespace

bool IsPeImage(ByteView image) { return GetNtHeaders(image).has_value(); }

std::optional<uint64_t> GetNtHeaders(ByteView image) {
    uint16_t magic = 0;
    uint32_t lfanew = 0;
    uint32_t signature = 0;
    if (!image.Read(0, magic) || magic != kDosSignature) return std::nullopt;
    if (!image.Read(kDosLfanewOffset, lfanew)) return std::nullopt;
    if (!image.Read(lfanew, signature) || signature != kNtSignature) return std::nullopt;
    return uint64_t{lfanew};
}

std::optional<uint64_t> GetFileHeader(ByteView image) {
    const auto nt = GetNtHeaders(image);
    if (!nt) return std::nullopt;
    return *nt + kFileHeaderOffset;
}

std::optional<uint64_t> GetOptionalHeader(ByteView image) {
    const auto nt = GetNtHeaders(image);
    if (!nt) return std::nullopt;
    return *nt + kOptionalHeaderOffset;
}

std::optional<uint64_t> GetFirstSectionHeader(ByteView image) {
    const auto nt = GetNtHeaders(image);
    if (!nt) return std::nullopt;
    uint16_t optionalSize = 0;
    if (!image.Read(*nt + kFileHeaderOffset + kFhSizeOfOptionalHeader, optionalSize)) return std::nullopt;
    return *nt + kOptionalHeaderOffset + optionalSize;
}

std::optional<uint64_t> RvaToVa(ByteView image, uint64_t ntHeaders, uint32_t rva) {
    uint16_t optionalSize = 0;
    if (!image.Read(ntHeaders + kFileHeaderOffset + kFhSizeOfOptionalHeader, optionalSize)) return std::nullopt;
    const auto offset = SectionRvaToOffset(image, ntHeaders + kOptionalHeaderOffset + optionalSize,
                                           SectionCount(image, ntHeaders), rva);
    if (!offset || *offset >= image.size()) return std::nullopt;
    return offset;
}

std::optional<DataDirectory> GetDataDirectory(ByteView image, int index) {
    const auto optional = GetOptionalHeader(image);
    if (!optional || index < 0) return std::nullopt;
    const uint64_t entry = *optional + kDataDirectoryOffset64 + 8 * static_cast<uint64_t>(index);
    DataDirectory directory;
    if (!image.Read(entry, directory.VirtualAddress) || !image.Read(entry + 4, directory.Size)) return std::nullopt;
    return directory;
}

std::optional<uint64_t> GetDataDirectoryVa(ByteView image, int index) {
    const auto directory = GetDataDirectory(image, index);
    if (!directory || directory->VirtualAddress == 0) return std::nullopt;
    return RvaToVa(image, *GetNtHeaders(image), directory->VirtualAddress);
}

std::optional<uint64_t> FindSectionHeader(ByteView image, std::string_view name) {
    const auto nt = GetNtHeaders(image);
    const auto first = GetFirstSectionHeader(image);
    if (!nt || !first) return std::nullopt;
    const uint16_t count = SectionCount(image, *nt);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t header = *first + uint64_t{i} * kSectionHeaderSize;
        if (!image.Contains(header, kSectionHeaderSize)) return std::nullopt;
        if (EqualsIgnoreCase(image.FixedString(header, kSectionNameSize), name)) return header;
    }
    return std::nullopt;
}

uint64_t RvaToFileOffset(ByteView image, uint64_t ntHeaders, uint32_t rva) {
    return SectionRvaToOffset(image, ntHeaders + kOptionalHeaderOffset + kOptionalHeaderSize64,
                              SectionCount(image, ntHeaders), rva)
        .value_or(0);
}

bool IsAllZero(ByteView bytes) {
    for (uint64_t i = 0; i < bytes.size(); ++i) {
        if (bytes.data()[i] != 0) return false;
    }
    return true;
}

}  // namespace qv
