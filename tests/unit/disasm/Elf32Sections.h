// Finds the executable sections of an ELF32 i386 file through the bounded
// reader. Returns nothing for anything that isn't one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteView.h"

namespace qv::test {

struct CodeSection {
    uint32_t address;
    ByteView bytes;
};

inline std::vector<CodeSection> ExecutableSections(ByteView file) {
    constexpr uint16_t kMachine386 = 3;
    constexpr uint32_t kProgBits = 1;
    constexpr uint32_t kExecInstr = 4;
    std::vector<CodeSection> out;
    if (!file.Contains(0, 0x34) || file.FixedString(0, 4) != "\x7F" "ELF" || file.GetOr<uint8_t>(4, 0) != 1 ||
        file.GetOr<uint16_t>(0x12, 0) != kMachine386) {
        return out;
    }
    const uint32_t table = file.GetOr<uint32_t>(0x20, 0);
    const uint16_t entrySize = file.GetOr<uint16_t>(0x2E, 0);
    const uint16_t count = file.GetOr<uint16_t>(0x30, 0);
    if (entrySize < 0x28) return out;
    for (uint16_t i = 0; i < count; ++i) {
        const auto header = file.Sub(table + uint64_t{i} * entrySize, 0x28);
        if (!header) break;
        if (header->GetOr<uint32_t>(4, 0) != kProgBits || !(header->GetOr<uint32_t>(8, 0) & kExecInstr)) continue;
        const auto bytes = file.Sub(header->GetOr<uint32_t>(0x10, 0), header->GetOr<uint32_t>(0x14, 0));
        if (bytes) out.push_back({header->GetOr<uint32_t>(0x0C, 0), *bytes});
    }
    return out;
}

}  // namespace qv::test
