// Paged memory of one simulated process: 4 KiB pages, each with a
// protection. Reads and writes through the checked members fail as a whole
// when any page of the range refuses them; nothing is copied on failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace qv::sim {

enum class Protection;

namespace detail {

inline constexpr uint64_t kPageSize = 0x1000;

class AddressSpace {
public:
    // New pages are zero-filled; pages already mapped keep their bytes and
    // take the new protection.
    void Map(uint64_t address, uint64_t size, Protection protection);
    // False when a page of the range is not mapped (nothing changes then).
    bool Protect(uint64_t address, uint64_t size, Protection protection);
    void Unmap(uint64_t address, uint64_t size);
    bool IsRangeFree(uint64_t address, uint64_t size) const;
    std::optional<Protection> ProtectionAt(uint64_t address) const;

    // Honour protections: reads need a readable page, writes a writable or
    // executable one (the debugger writes code pages).
    bool Read(uint64_t address, void* out, size_t size) const;
    bool Write(uint64_t address, const void* in, size_t size);
    // Ignore protections; fail only on unmapped pages.
    bool ReadRaw(uint64_t address, void* out, size_t size) const;
    bool WriteRaw(uint64_t address, const void* in, size_t size);

private:
    struct Page {
        Protection protection;
        std::unique_ptr<uint8_t[]> bytes;  // null: all zero, allocated on first write
    };
    enum class Access { Raw, Read, Write };
    bool Allowed(uint64_t address, size_t size, Access access) const;

    std::map<uint64_t, Page> m_pages;  // by page number
};

}  // namespace detail
}  // namespace qv::sim
