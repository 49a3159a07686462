// The import and export tables of a mapped image.
#include <cstdint>
#include <string>

#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"
#include "tracer/PeImage.h"

namespace qv {

namespace {

constexpr uint64_t kHintSize = 2;

// The NUL-terminated string at an RVA, when it maps into the file.
std::optional<std::string> StringAtRva(ByteView image, uint64_t nt, uint32_t rva) {
    const auto offset = RvaToVa(image, nt, rva);
    if (!offset) return std::nullopt;
    const auto text = image.CString(*offset);
    if (!text) return std::nullopt;
    return std::string(*text);
}

}  // namespace

void ReportImports(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    const auto table = GetDataDirectoryVa(image, kDirImport);
    if (!nt || !table) return;
    // Each DLL of a well-formed file has a lookup table of its own; crafted
    // descriptors sharing one can't make the report outgrow the file.
    uint64_t entriesLeft = image.size() / kThunkSize;
    for (uint64_t descriptor = *table;; descriptor += kImportDescriptorSize) {
        const auto fields = image.Sub(descriptor, kImportDescriptorSize);
        if (!fields) return;
        const uint32_t firstThunk = fields->GetOr<uint32_t>(kIdFirstThunk, 0);
        if (firstThunk == 0) return;
        const auto moduleName = StringAtRva(image, *nt, fields->GetOr<uint32_t>(kIdName, 0));
        if (!moduleName) return;
        ReportLine(window, "Module: %s\r\n", moduleName->c_str());

        // Imports by ordinal, and descriptors without a lookup table, have
        // no line of their own; slot k still counts them.
        const uint32_t lookupRva = fields->GetOr<uint32_t>(kIdOriginalFirstThunk, 0);
        if (lookupRva == 0) continue;
        const auto lookup = RvaToVa(image, *nt, lookupRva);
        if (!lookup) return;
        for (uint64_t k = 0;; ++k) {
            uint64_t entry = 0;
            if (entriesLeft-- == 0 || !image.Read(*lookup + k * kThunkSize, entry)) return;
            if (entry == 0) break;
            if (entry & kOrdinalFlag) continue;
            const auto hintName = RvaToVa(image, *nt, static_cast<uint32_t>(entry));
            if (!hintName) return;
            const auto name = image.CString(*hintName + kHintSize);
            if (!name) return;
            // The function's slot in the import address table, by its RVA.
            const uint64_t slotRva = firstThunk + k * kThunkSize;
            ReportLine(window, "Import function: %-25s,", std::string(*name).c_str());
            ReportLine(window, "Function Address: %X\r\n", static_cast<uint32_t>(slotRva));
        }
    }
}

void ReportExports(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    const auto directoryAt = GetDataDirectoryVa(image, kDirExport);
    if (!nt || !directoryAt) return;
    const auto directory = image.Sub(*directoryAt, kExportDirectorySize);
    if (!directory) return;
    const auto moduleName = StringAtRva(image, *nt, directory->GetOr<uint32_t>(kEdName, 0));
    if (!moduleName) return;
    ReportLine(window, "Module: %s\r\n", moduleName->c_str());
    const uint32_t functionCount = directory->GetOr<uint32_t>(kEdNumberOfFunctions, 0);
    ReportLine(window, "Number of Function: %d\r\n", static_cast<int>(functionCount));

    const uint32_t nameCount = directory->GetOr<uint32_t>(kEdNumberOfNames, 0);
    if (nameCount == 0) return;
    const auto functions = RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdAddressOfFunctions, 0));
    const auto names = RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdAddressOfNames, 0));
    const auto ordinals = RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdAddressOfNameOrdinals, 0));
    if (!functions || !names || !ordinals) return;
    for (uint32_t i = 0; i < nameCount; ++i) {
        uint32_t nameRva = 0;
        uint16_t ordinal = 0;
        uint32_t functionRva = 0;
        if (!image.Read(*names + uint64_t{i} * 4, nameRva) || !image.Read(*ordinals + uint64_t{i} * 2, ordinal)) return;
        // An ordinal outside the function table names no function.
        if (ordinal >= functionCount || !image.Read(*functions + uint64_t{ordinal} * 4, functionRva)) return;
        const auto name = StringAtRva(image, *nt, nameRva);
        if (!name) return;
        ReportLine(window, "Function: %-30s, Addres: %-4x, Sequence: %d\r\n", name->c_str(), functionRva,
                   static_cast<int>(ordinal));
    }
}

}  // namespace qv
