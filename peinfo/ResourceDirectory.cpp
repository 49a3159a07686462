#include "peinfo/ResourceDirectory.h"

#include "peinfo/AnsiText.h"

namespace qv {

std::optional<ResourceDirectoryHeader> ReadResourceDirectory(ByteView section, uint64_t offset) {
    const auto bytes = section.Sub(offset, kResourceDirectorySize);
    if (!bytes) return std::nullopt;
    ResourceDirectoryHeader header;
    header.Characteristics = bytes->GetOr<uint32_t>(0, 0);
    header.TimeDateStamp = bytes->GetOr<uint32_t>(4, 0);
    header.MajorVersion = bytes->GetOr<uint16_t>(8, 0);
    header.MinorVersion = bytes->GetOr<uint16_t>(10, 0);
    header.NumberOfNamedEntries = bytes->GetOr<uint16_t>(12, 0);
    header.NumberOfIdEntries = bytes->GetOr<uint16_t>(14, 0);
    return header;
}

std::optional<ResourceEntry> ReadResourceEntry(ByteView section, uint64_t directory, uint32_t index) {
    const auto bytes =
        section.Sub(directory + kResourceDirectorySize + uint64_t{index} * kResourceEntrySize, kResourceEntrySize);
    if (!bytes) return std::nullopt;
    return ResourceEntry{bytes->GetOr<uint32_t>(0, 0), bytes->GetOr<uint32_t>(4, 0)};
}

std::optional<std::string> ReadResourceName(ByteView section, uint32_t offset, size_t maxBytes) {
    uint16_t length = 0;
    if (!section.Read(offset, length)) return std::nullopt;
    return Utf16ToAnsi(section, uint64_t{offset} + 2, length, maxBytes);
}

}  // namespace qv
