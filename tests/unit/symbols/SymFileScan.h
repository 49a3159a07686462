// Test support: the symbol file searches written as a plain front-to-back
// walk over the file's bytes, the way the format was first read. The
// indexed reader must give the same answers; the benchmark times both.
// The file must be well formed (the walk checks nothing).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace qv::testing {

class SymFileScan {
public:
    SymFileScan(const uint8_t* file, bool hasTimeStamp, uint64_t base, uint32_t imageSize)
        : m_file(file), m_header(hasTimeStamp ? 24 : 16), m_base(base), m_end(base + imageSize) {
        std::memcpy(&m_count, file + 8, 8);
    }

    // (address, length) of the first in-range symbol of that name.
    std::optional<std::pair<uint64_t, uint64_t>> ByName(const char* name) const {
        std::optional<uint64_t> match;
        for (uint64_t i = 0; i < m_count; ++i) {
            const uint64_t address = Address(i);
            if (address < m_base || address > m_end) continue;
            if (match) return std::make_pair(*match, address - *match);
            if (std::strcmp(Name(i), name) == 0) match = address;
        }
        if (match) return std::make_pair(*match, m_end - *match);
        return std::nullopt;
    }

    std::optional<std::string> ByAddress(const char* module, uint64_t target, uint64_t* size) const {
        uint64_t previous = m_base;
        const char* previousName = nullptr;
        for (uint64_t i = 0; i < m_count; ++i) {
            const uint64_t address = Address(i);
            if (address < m_base || address > m_end) continue;
            if (target < previous) {
                previous = address;
                previousName = Name(i);
            } else if (target < address) {
                if (previousName == nullptr) return std::nullopt;
                if (size) *size = address - previous;
                char text[512];
                std::snprintf(text, sizeof text, "%s!%s+%d", module, previousName,
                              static_cast<int32_t>(target - previous));
                return std::string(text);
            } else {
                previous = address;
                previousName = Name(i);
            }
        }
        return std::nullopt;
    }

private:
    uint64_t Word(uint64_t offset) const {
        uint64_t value;
        std::memcpy(&value, m_file + offset, 8);
        return value;
    }
    uint64_t Address(uint64_t i) const {
        const uint64_t value = Word(m_header + 8 * i);
        return (value & 0xF0000000ULL) == 0x10000000ULL ? value - 0x10000000ULL + m_base : value;
    }
    const char* Name(uint64_t i) const {
        return reinterpret_cast<const char*>(m_file + m_header + 16 * m_count + Word(m_header + 8 * m_count + 8 * i));
    }

    const uint8_t* m_file;
    uint64_t m_header;
    uint64_t m_base;
    uint64_t m_end;
    uint64_t m_count = 0;
};

}  // namespace qv::testing
