#include "symbols/SymbolFile.h"

#include <algorithm>
#include <limits>

#include "core/StringFormat.h"

namespace qv {

namespace {

// Per-placement indexes kept per file; a trace has few placements of one
// module, so a small list is enough.
constexpr size_t kMaxRangesPerFile = 8;

bool HasSignatureAt(ByteView file, uint64_t offset) {
    const auto bytes = file.Sub(offset, kSymbolFileSignature.size());
    return bytes && std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()) ==
                        kSymbolFileSignature;
}

}  // namespace

uint64_t RebaseSymbolValue(uint64_t value, uint64_t base) {
    if ((value & 0xF0000000ULL) == kSymbolPreferredBase) return value - kSymbolPreferredBase + base;
    return value;
}

std::shared_ptr<const SymbolTable> SymbolTable::Parse(ByteView file, bool hasTimeStamp) {
    const uint64_t size = file.size();
    if (size < kSymbolTrailerLength || !HasSignatureAt(file, 0) || !HasSignatureAt(file, size - kSymbolTrailerLength)) {
        return nullptr;
    }
    const uint64_t headerLength = hasTimeStamp ? 24 : 16;
    const uint64_t count = file.GetOr<uint64_t>(8, 0);
    if (size < headerLength + kSymbolTrailerLength || count == 0 ||
        count > (size - kSymbolTrailerLength - headerLength) / 16) {
        return nullptr;
    }
    const uint64_t areaStart = headerLength + 16 * count;
    const uint64_t areaLength = size - kSymbolTrailerLength - areaStart;
    if (areaLength > std::numeric_limits<uint32_t>::max()) return nullptr;
    const auto area = file.Sub(areaStart, areaLength);
    if (!area) return nullptr;

    std::shared_ptr<SymbolTable> table(new SymbolTable());
    table->m_hasTimeStamp = hasTimeStamp;
    if (hasTimeStamp) table->m_timeStamp = file.GetOr<uint64_t>(16, 0);
    table->m_names.assign(reinterpret_cast<const char*>(area->data()), static_cast<size_t>(area->size()));

    // Where each name ends: the first NUL at or after its offset.
    std::vector<uint32_t> nuls;
    for (size_t i = 0; i < table->m_names.size(); ++i) {
        if (table->m_names[i] == '\0') nuls.push_back(static_cast<uint32_t>(i));
    }

    table->m_values.resize(static_cast<size_t>(count));
    table->m_nameStarts.resize(static_cast<size_t>(count));
    table->m_nameLengths.resize(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t value = 0;
        uint64_t nameOffset = 0;
        if (!file.Read(headerLength + 8 * i, value) || !file.Read(headerLength + 8 * count + 8 * i, nameOffset)) {
            return nullptr;
        }
        if (nameOffset >= areaLength) return nullptr;
        const auto nul = std::lower_bound(nuls.begin(), nuls.end(), static_cast<uint32_t>(nameOffset));
        if (nul == nuls.end()) return nullptr;
        table->m_values[i] = value;
        table->m_nameStarts[i] = static_cast<uint32_t>(nameOffset);
        table->m_nameLengths[i] = *nul - static_cast<uint32_t>(nameOffset);
    }
    return table;
}

std::shared_ptr<const SymbolRange> SymbolTable::Range(uint64_t base, uint32_t imageSize) const {
    std::lock_guard<std::mutex> lock(m_rangeMutex);
    for (const auto& range : m_ranges) {
        if (range->Base() == base && range->ImageSize() == imageSize) return range;
    }
    if (m_ranges.size() >= kMaxRangesPerFile) m_ranges.erase(m_ranges.begin());
    m_ranges.push_back(std::make_shared<const SymbolRange>(*this, base, imageSize));
    return m_ranges.back();
}

SymbolRange::SymbolRange(const SymbolTable& table, uint64_t base, uint32_t imageSize)
    : m_base(base), m_imageSize(imageSize) {
    const uint64_t end = base + imageSize;
    for (uint32_t i = 0; i < table.Count(); ++i) {
        const uint64_t address = RebaseSymbolValue(table.Value(i), base);
        if (address < base || address > end) continue;
        if (!m_entries.empty() && address < m_entries.back().address) m_sorted = false;
        m_firstByName.try_emplace(table.Name(i), static_cast<uint32_t>(m_entries.size()));
        m_entries.push_back({address, i});
    }
}

std::optional<SymbolRange::Hit> SymbolRange::FindName(std::string_view name) const {
    const auto found = m_firstByName.find(name);
    if (found == m_firstByName.end()) return std::nullopt;
    const size_t index = found->second;
    const uint64_t start = m_entries[index].address;
    const uint64_t next = index + 1 < m_entries.size() ? m_entries[index + 1].address : m_base + m_imageSize;
    return Hit{m_entries[index].symbol, start, next - start};
}

std::optional<SymbolRange::Hit> SymbolRange::FindAddress(uint64_t address) const {
    if (!m_sorted) return ScanAddress(address);
    // Below the base no symbol ever becomes the previous one.
    if (address < m_base) return std::nullopt;
    const auto next = std::upper_bound(m_entries.begin(), m_entries.end(), address,
                                       [](uint64_t value, const Entry& entry) { return value < entry.address; });
    // Before the first symbol the previous one is the bare module base, which has no name.
    if (next == m_entries.end() || next == m_entries.begin()) return std::nullopt;
    const Entry& previous = *(next - 1);
    return Hit{previous.symbol, previous.address, next->address - previous.address};
}

// A file whose symbols are out of order for this placement is answered by
// the plain walk, which is what defines the result.
std::optional<SymbolRange::Hit> SymbolRange::ScanAddress(uint64_t address) const {
    uint64_t previousAddress = m_base;
    const Entry* previous = nullptr;
    for (const Entry& entry : m_entries) {
        if (address >= previousAddress && address < entry.address) {
            if (previous == nullptr) return std::nullopt;
            return Hit{previous->symbol, previousAddress, entry.address - previousAddress};
        }
        previousAddress = entry.address;
        previous = &entry;
    }
    return std::nullopt;
}

namespace {

// The checks and messages every lookup makes before its search; the index
// for the module's placement, or null when the lookup ends here.
std::shared_ptr<const SymbolRange> PrepareLookup(const SymbolTable* table, const SymbolFileContext& context,
                                                 SymbolMessages& messages) {
    if (table == nullptr) {
        messages.push_back(FormatString("%s is not ORACLE.SYM file (signature mismatch)\r\n", context.path.c_str()));
        return nullptr;
    }
    if (table->HasTimeStamp()) {
        const int64_t linked = context.imageTimeStamp;
        const uint64_t stored = table->TimeStamp();
        if (stored > static_cast<uint64_t>(linked + 60) || static_cast<int64_t>(stored) < linked - 60) {
            messages.push_back(FormatString("%s file is not corresponding to %s!\r\n", context.path.c_str(),
                                            context.moduleName.c_str()));
            return nullptr;
        }
    }
    messages.push_back(FormatString("Start address is 0x%08x!\r\n", static_cast<uint32_t>(table->Value(0))));
    return table->Range(context.moduleBase, context.imageSize);
}

void NoteNoMatch(const SymbolFileContext& context, SymbolMessages& messages) {
    messages.push_back(FormatString("No item matched in the file %s! \r\n", context.path.c_str()));
}

}  // namespace

uint64_t LookupSymbolName(const SymbolTable* table, const SymbolFileContext& context, std::string_view name,
                          uint64_t* size, SymbolMessages& messages) {
    const auto range = PrepareLookup(table, context, messages);
    if (!range) return 0;
    const auto hit = range->FindName(name);
    if (!hit) {
        NoteNoMatch(context, messages);
        return 0;
    }
    if (size) *size = hit->length;
    return hit->start;
}

std::optional<std::string> LookupSymbolAddress(const SymbolTable* table, const SymbolFileContext& context,
                                               uint64_t address, uint64_t* size, SymbolMessages& messages) {
    const auto range = PrepareLookup(table, context, messages);
    if (!range) return std::nullopt;
    const auto hit = range->FindAddress(address);
    if (!hit) {
        if (address != 0) NoteNoMatch(context, messages);
        return std::nullopt;
    }
    if (size) *size = hit->length;
    const std::string name(table->Name(hit->symbol));
    return FormatString("%s!%s+%d", context.moduleName.c_str(), name.c_str(),
                        static_cast<int32_t>(address - hit->start));
}

}  // namespace qv
