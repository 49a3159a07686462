// The resource directory tree of a PE file as the resource report and the
// dumper walk it: directories and entries inside the resource section's
// bytes, names as UTF-16 strings at offsets from the section's start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/ByteView.h"

namespace qv {

inline constexpr uint64_t kResourceDirectorySize = 16;
inline constexpr uint64_t kResourceEntrySize = 8;
inline constexpr uint64_t kResourceDataEntrySize = 16;
inline constexpr uint32_t kResourceHighBit = 0x80000000u;

struct ResourceDirectoryHeader {
    uint32_t Characteristics = 0;
    uint32_t TimeDateStamp = 0;
    uint16_t MajorVersion = 0;
    uint16_t MinorVersion = 0;
    uint16_t NumberOfNamedEntries = 0;
    uint16_t NumberOfIdEntries = 0;

    uint32_t EntryCount() const { return uint32_t{NumberOfNamedEntries} + NumberOfIdEntries; }
};

struct ResourceEntry {
    uint32_t Name = 0;
    uint32_t OffsetToData = 0;

    bool HasStringName() const { return (Name & kResourceHighBit) != 0; }
    bool IsDirectory() const { return (OffsetToData & kResourceHighBit) != 0; }
    uint32_t Offset() const { return OffsetToData & ~kResourceHighBit; }
    uint32_t NameOffset() const { return Name & ~kResourceHighBit; }
};

// `section` starts where the root directory starts; offsets are from there.
std::optional<ResourceDirectoryHeader> ReadResourceDirectory(ByteView section, uint64_t offset);
// Entry `index` of the directory at offset.
std::optional<ResourceEntry> ReadResourceEntry(ByteView section, uint64_t directory, uint32_t index);
// Reads the entries of one walk through a tree, at most as many in all as
// the section has room for. The entries of a well-formed tree don't
// overlap; crafted directories that share their entries can't make a walk
// grow faster than the file.
class ResourceEntryReader {
public:
    explicit ResourceEntryReader(ByteView section)
        : m_section(section), m_entriesLeft(section.size() / kResourceEntrySize) {}

    std::optional<ResourceEntry> Read(uint64_t directory, uint32_t index) {
        if (m_entriesLeft == 0) return std::nullopt;
        --m_entriesLeft;
        return ReadResourceEntry(m_section, directory, index);
    }

private:
    ByteView m_section;
    uint64_t m_entriesLeft;
};

// The name string at offset (u16 length, then UTF-16 units), converted and
// cut at maxBytes characters.
std::optional<std::string> ReadResourceName(ByteView section, uint32_t offset, size_t maxBytes);

}  // namespace qv
