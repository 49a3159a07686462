#include "peinfo/ImportExportWalk.h"

#include <string_view>

#include "base/PeImage.h"
#include "peinfo/NameBudget.h"

namespace qv {

namespace {

constexpr uint64_t kHintSize = 2;
constexpr uint64_t kImportDirectoryAt =
    kOptionalHeaderOffset + kDataDirectoryOffset64 + kDirImport * kDataDirectorySize;

// The file offset of an RVA as the walk reads it.
std::optional<uint64_t> OffsetOf(ByteView image, uint64_t nt, uint32_t rva, ImportWalk walk) {
    if (walk == ImportWalk::Report) return RvaToVa(image, nt, rva);
    const uint64_t offset = RvaToFileOffset(image, nt, rva);
    if (offset == 0) return std::nullopt;
    return offset;
}

std::optional<std::string> StringAt(ByteView image, std::optional<uint64_t> offset, NameBudget& budget) {
    const auto text = offset ? budget.CString(image, *offset) : std::nullopt;
    if (!text) return std::nullopt;
    return std::string(*text);
}

std::optional<uint64_t> ImportTableOf(ByteView image, uint64_t nt, ImportWalk walk) {
    if (walk == ImportWalk::Report) return GetDataDirectoryVa(image, kDirImport);
    uint32_t directoryRva = 0;
    if (!image.Read(nt + kImportDirectoryAt, directoryRva)) return std::nullopt;
    return OffsetOf(image, nt, directoryRva, walk);
}

}  // namespace

std::vector<IMPORTEDMODULE> WalkImports(ByteView image, ImportWalk walk) {
    std::vector<IMPORTEDMODULE> modules;
    const auto nt = GetNtHeaders(image);
    const auto table = nt ? ImportTableOf(image, *nt, walk) : std::nullopt;
    if (!table) return modules;
    // Each DLL of a well-formed file has a lookup table of its own; crafted
    // descriptors sharing one can't make the walk outgrow the file.
    uint64_t entriesLeft = image.size() / kThunkSize;
    NameBudget budget(image);
    for (uint64_t descriptor = *table;; descriptor += kImportDescriptorSize) {
        const auto fields = image.Sub(descriptor, kImportDescriptorSize);
        if (!fields) return modules;
        const uint32_t firstThunk = fields->GetOr<uint32_t>(kIdFirstThunk, 0);
        if (walk == ImportWalk::Report ? firstThunk == 0 : IsAllZero(*fields)) return modules;
        auto name = StringAt(image, OffsetOf(image, *nt, fields->GetOr<uint32_t>(kIdName, 0), walk), budget);
        if (!name) return modules;
        IMPORTEDMODULE& module = modules.emplace_back();
        module.szName = std::move(*name);

        uint32_t lookupRva = fields->GetOr<uint32_t>(kIdOriginalFirstThunk, 0);
        if (lookupRva == 0) {
            if (walk == ImportWalk::Report) continue;
            lookupRva = firstThunk;
        }
        const auto lookup = OffsetOf(image, *nt, lookupRva, walk);
        if (!lookup) return modules;
        for (uint64_t k = 0;; ++k) {
            uint64_t entry = 0;
            if (entriesLeft-- == 0 || !image.Read(*lookup + k * kThunkSize, entry)) return modules;
            if (entry == 0) break;
            IMPORTEDFUNCTION function;
            function.nSlotRva = firstThunk + k * kThunkSize;
            if (entry & kOrdinalFlag) {
                function.bByOrdinal = true;
                function.nOrdinal = static_cast<uint16_t>(entry & 0xFFFF);
            } else {
                // A hint/name record: the 2-byte hint, then the name.
                const auto hintName = OffsetOf(image, *nt, static_cast<uint32_t>(entry), walk);
                auto functionName = hintName ? StringAt(image, *hintName + kHintSize, budget) : std::nullopt;
                if (!functionName) return modules;
                function.szName = std::move(*functionName);
            }
            module.arrFunctions.push_back(std::move(function));
        }
    }
}

std::optional<EXPORTTABLE> WalkExports(ByteView image, bool namesOnly) {
    const auto nt = GetNtHeaders(image);
    const auto directoryAt = GetDataDirectoryVa(image, kDirExport);
    if (!nt || !directoryAt) return std::nullopt;
    const auto directory = image.Sub(*directoryAt, kExportDirectorySize);
    if (!directory) return std::nullopt;
    NameBudget budget(image);
    auto moduleName = StringAt(image, RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdName, 0)), budget);
    if (!moduleName) return std::nullopt;
    EXPORTTABLE exports;
    exports.szModuleName = std::move(*moduleName);
    exports.nNumberOfFunctions = directory->GetOr<uint32_t>(kEdNumberOfFunctions, 0);

    const uint32_t nameCount = directory->GetOr<uint32_t>(kEdNumberOfNames, 0);
    if (nameCount == 0) return exports;
    // A table a names-only walk doesn't read stands at offset 0.
    const auto tableAt = [&](uint64_t field, bool read) -> std::optional<uint64_t> {
        if (!read) return 0;
        return RvaToVa(image, *nt, directory->GetOr<uint32_t>(field, 0));
    };
    const auto names = tableAt(kEdAddressOfNames, true);
    const auto functions = tableAt(kEdAddressOfFunctions, !namesOnly);
    const auto ordinals = tableAt(kEdAddressOfNameOrdinals, !namesOnly);
    if (!functions || !names || !ordinals) return exports;
    for (uint32_t i = 0; i < nameCount; ++i) {
        EXPORTEDFUNCTION function;
        uint32_t nameRva = 0;
        if (!image.Read(*names + uint64_t{i} * 4, nameRva)) return exports;
        if (!namesOnly) {
            if (!image.Read(*ordinals + uint64_t{i} * 2, function.nOrdinal)) return exports;
            // An ordinal outside the function table names no function.
            if (function.nOrdinal >= exports.nNumberOfFunctions ||
                !image.Read(*functions + uint64_t{function.nOrdinal} * 4, function.nFunctionRva)) {
                return exports;
            }
        }
        auto name = StringAt(image, RvaToVa(image, *nt, nameRva), budget);
        if (!name) return exports;
        function.szName = std::move(*name);
        exports.arrFunctions.push_back(std::move(function));
    }
    return exports;
}

}  // namespace qv
