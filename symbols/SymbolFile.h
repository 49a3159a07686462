// The server's symbol file ("OSYMAM64"): parsed once into a table of address
// values and names, then answered from per-module indexes (binary search by
// address, hash by name) with the same results as a front-to-back scan.
//
// Layout, all numbers 64-bit little-endian:
//   "OSYMAM64", N, [link time stamp, version 11 and later], N address values,
//   N name offsets (from the string area), string area, "OSYMAM64", 8 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ByteView.h"

namespace qv {

inline constexpr std::string_view kSymbolFileSignature = "OSYMAM64";
inline constexpr uint64_t kSymbolTrailerLength = 16;
// Address values whose bits 28-31 are 1 are relative to this preferred base.
inline constexpr uint64_t kSymbolPreferredBase = 0x10000000;

// The address a stored value names for a module loaded at base.
uint64_t RebaseSymbolValue(uint64_t value, uint64_t base);

// The symbols in range for one module placement, in file order.
class SymbolRange {
public:
    struct Entry {
        uint64_t address;
        uint32_t symbol;
    };
    struct Hit {
        uint32_t symbol;
        uint64_t start;   // the symbol's address
        uint64_t length;  // up to the next symbol in range (or the image end)
    };

    SymbolRange(const class SymbolTable& table, uint64_t base, uint32_t imageSize);

    uint64_t Base() const { return m_base; }
    uint32_t ImageSize() const { return m_imageSize; }
    // The first symbol of that name in file order.
    std::optional<Hit> FindName(std::string_view name) const;
    // The symbol whose extent holds the address.
    std::optional<Hit> FindAddress(uint64_t address) const;

private:
    std::optional<Hit> ScanAddress(uint64_t address) const;

    uint64_t m_base;
    uint32_t m_imageSize;
    std::vector<Entry> m_entries;
    bool m_sorted = true;
    std::unordered_map<std::string_view, uint32_t> m_firstByName;  // name -> entry index
};

// A symbol file that passed the structural checks. Immutable once parsed,
// except for the per-placement indexes it builds on demand (thread-safe).
class SymbolTable {
public:
    // nullptr for a file that isn't a well-formed symbol file: a signature
    // missing at either end, no symbols, tables running into the trailer,
    // or a name that doesn't end inside the string area.
    static std::shared_ptr<const SymbolTable> Parse(ByteView file, bool hasTimeStamp);

    uint32_t Count() const { return static_cast<uint32_t>(m_values.size()); }
    uint64_t Value(uint32_t symbol) const { return m_values[symbol]; }
    std::string_view Name(uint32_t symbol) const {
        return std::string_view(m_names).substr(m_nameStarts[symbol], m_nameLengths[symbol]);
    }
    bool HasTimeStamp() const { return m_hasTimeStamp; }
    uint64_t TimeStamp() const { return m_timeStamp; }

    // The index for a module at base with imageSize, built on first use.
    std::shared_ptr<const SymbolRange> Range(uint64_t base, uint32_t imageSize) const;

private:
    SymbolTable() = default;

    bool m_hasTimeStamp = false;
    uint64_t m_timeStamp = 0;
    std::vector<uint64_t> m_values;
    std::vector<uint32_t> m_nameStarts;
    std::vector<uint32_t> m_nameLengths;
    std::string m_names;

    mutable std::mutex m_rangeMutex;
    mutable std::vector<std::shared_ptr<const SymbolRange>> m_ranges;
};

// What a lookup knows about the module it answers for.
struct SymbolFileContext {
    std::string path;  // named in the messages
    std::string moduleName;
    uint64_t moduleBase = 0;
    uint32_t imageSize = 0;
    uint32_t imageTimeStamp = 0;
};

using SymbolMessages = std::vector<std::string>;

// The lookups on a parsed file (null: the file was refused), appending the
// lookup's messages in order. The size out is written only on success.
uint64_t LookupSymbolName(const SymbolTable* table, const SymbolFileContext& context, std::string_view name,
                          uint64_t* size, SymbolMessages& messages);
std::optional<std::string> LookupSymbolAddress(const SymbolTable* table, const SymbolFileContext& context,
                                               uint64_t address, uint64_t* size, SymbolMessages& messages);

}  // namespace qv
