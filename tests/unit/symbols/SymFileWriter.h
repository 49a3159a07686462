// Test support: writes symbol files in the server's "OSYMAM64" layout, well
// formed or broken on purpose.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

struct SymEntry {
    uint64_t value;
    std::string name;
};

inline void PutU64(std::vector<uint8_t>& bytes, uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutSignature(std::vector<uint8_t>& bytes) {
    for (char c : std::string("OSYMAM64")) bytes.push_back(static_cast<uint8_t>(c));
}

// timeStamp present: the version-11 header. countOverride writes a different
// symbol count than the tables hold.
inline std::vector<uint8_t> WriteSymbolFile(const std::vector<SymEntry>& symbols,
                                            std::optional<uint64_t> timeStamp,
                                            std::optional<uint64_t> countOverride = std::nullopt) {
    std::vector<uint8_t> bytes;
    PutSignature(bytes);
    PutU64(bytes, countOverride.value_or(symbols.size()));
    if (timeStamp) PutU64(bytes, *timeStamp);
    for (const SymEntry& symbol : symbols) PutU64(bytes, symbol.value);
    std::string area;
    for (const SymEntry& symbol : symbols) {
        PutU64(bytes, area.size());
        area += symbol.name;
        area.push_back('\0');
    }
    bytes.insert(bytes.end(), area.begin(), area.end());
    PutSignature(bytes);
    PutU64(bytes, 0);
    return bytes;
}

}  // namespace qv::testing
