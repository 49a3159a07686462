#include "symbols/ExportDirectory.h"

#include <algorithm>
#include <map>

#include "base/ByteView.h"
#include "base/PeImage.h"
#include "core/StringFormat.h"

namespace qv {

namespace {

// The signature, the file header and a PE32+ optional header.
constexpr uint64_t kNtHeadersLength = kOptionalHeaderOffset + kOptionalHeaderSize64;
constexpr uint64_t kExportEntryOffset =
    kOptionalHeaderOffset + kDataDirectoryOffset64 + kDirExport * kDataDirectorySize;
// More entries than any real image has; a larger count is a broken header.
constexpr uint32_t kMaxExportEntries = 0x100000;
constexpr size_t kMaxNameLength = 4096;

template <typename T>
bool ReadTable(const ImageMemory& memory, uint64_t address, uint32_t count, std::vector<T>& table) {
    std::vector<uint8_t> bytes(size_t{count} * sizeof(T));
    if (!memory.Read(address, bytes.data(), bytes.size())) return false;
    const ByteView view(bytes.data(), bytes.size());
    table.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (!view.Read(uint64_t{i} * sizeof(T), table[i])) return false;
    }
    return true;
}

// The function address of each name, or 0 where the ordinal points outside
// the function table.
uint64_t NamedAddress(const ExportDirectory& directory, size_t nameIndex) {
    const uint16_t ordinal = directory.nameOrdinals[nameIndex];
    if (ordinal >= directory.functionRvas.size()) return 0;
    return directory.base + directory.functionRvas[ordinal];
}

}  // namespace

std::optional<ExportDirectory> ReadExportDirectory(const ImageMemory& memory, uint64_t base) {
    uint8_t dosField[4];
    if (!memory.Read(base + kDosLfanewOffset, dosField, sizeof dosField)) return std::nullopt;
    const auto lfanew = ByteView(dosField, sizeof dosField).Get<int32_t>(0);
    uint8_t ntBytes[kNtHeadersLength];
    const uint64_t ntAddress = base + static_cast<uint64_t>(static_cast<int64_t>(*lfanew));
    if (!memory.Read(ntAddress, ntBytes, sizeof ntBytes)) return std::nullopt;
    const ByteView nt(ntBytes, sizeof ntBytes);
    if (nt.GetOr<uint32_t>(0, 0) != kNtSignature) return std::nullopt;

    ExportDirectory directory;
    directory.base = base;
    directory.directoryRva = nt.GetOr<uint32_t>(kExportEntryOffset, 0);
    directory.directorySize = nt.GetOr<uint32_t>(kExportEntryOffset + 4, 0);
    if (directory.directoryRva == 0) return std::nullopt;

    uint8_t exportBytes[kExportDirectorySize];
    if (!memory.Read(base + directory.directoryRva, exportBytes, sizeof exportBytes)) return std::nullopt;
    const ByteView exports(exportBytes, sizeof exportBytes);
    const uint32_t nameRva = exports.GetOr<uint32_t>(kEdName, 0);
    const uint32_t functionCount = exports.GetOr<uint32_t>(kEdNumberOfFunctions, 0);
    const uint32_t nameCount = exports.GetOr<uint32_t>(kEdNumberOfNames, 0);
    if (functionCount == 0 || functionCount > kMaxExportEntries || nameCount > kMaxExportEntries) return std::nullopt;

    if (!ReadTable(memory, base + exports.GetOr<uint32_t>(kEdAddressOfFunctions, 0), functionCount,
                   directory.functionRvas) ||
        !ReadTable(memory, base + exports.GetOr<uint32_t>(kEdAddressOfNames, 0), nameCount, directory.nameRvas) ||
        !ReadTable(memory, base + exports.GetOr<uint32_t>(kEdAddressOfNameOrdinals, 0), nameCount,
                   directory.nameOrdinals)) {
        return std::nullopt;
    }
    auto moduleName = memory.ReadString(base + nameRva, kMaxNameLength);
    if (!moduleName) return std::nullopt;
    directory.moduleName = std::move(*moduleName);
    return directory;
}

std::optional<std::string> FindExportByAddress(const ImageMemory& memory, const ExportDirectory& directory,
                                               uint64_t address, uint64_t* size) {
    // Each address keeps the first name that refers to it, in name-table order.
    std::map<uint64_t, size_t> firstName;
    for (size_t i = 0; i < directory.nameRvas.size(); ++i) {
        if (directory.nameOrdinals[i] >= directory.functionRvas.size()) continue;
        firstName.try_emplace(NamedAddress(directory, i), i);
    }
    const auto next = firstName.upper_bound(address);
    if (next == firstName.end() || next == firstName.begin()) return std::nullopt;
    const auto previous = std::prev(next);
    if (previous->first == 0) return std::nullopt;

    const auto name = memory.ReadString(directory.base + directory.nameRvas[previous->second], kMaxNameLength);
    if (!name) return std::nullopt;
    if (size) *size = next->first - previous->first;
    return FormatString("%s!%s+%d", directory.moduleName.c_str(), name->c_str(),
                        static_cast<int32_t>(address - previous->first));
}

ExportByName FindExportByName(const ImageMemory& memory, const ExportDirectory& directory, std::string_view name) {
    ExportByName result;
    for (size_t i = 0; i < directory.nameRvas.size(); ++i) {
        const auto candidate = memory.ReadString(directory.base + directory.nameRvas[i], kMaxNameLength);
        if (!candidate || *candidate != name) continue;
        const uint64_t address = NamedAddress(directory, i);
        if (address == 0) continue;
        const uint64_t rva = address - directory.base;
        // An export whose address lies inside the export directory is a
        // forwarder: a "MODULE.Function" text, not code.
        if (rva >= directory.directoryRva && rva - directory.directoryRva < directory.directorySize) {
            result.forwarder = memory.ReadString(address, kMaxNameLength).value_or("");
            if (result.forwarder.empty()) continue;
        } else {
            result.address = address;
        }
        return result;
    }
    return result;
}

}  // namespace qv
