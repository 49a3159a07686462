#include "symbols/FileListings.h"

#include <cstdint>
#include <string>

#include "tracer/PeImage.h"
#include "tracer/TraceLog.h"

namespace qv {

namespace {

constexpr uint64_t kImportDirectoryAt = kOptionalHeaderOffset + kDataDirectoryOffset64 + 8;

// The string at an RVA converted by the fixed-layout section walk; nothing
// when no section holds it or it runs off the file.
std::optional<std::string_view> StringAtOffsetOf(ByteView image, uint64_t nt, uint32_t rva) {
    const uint64_t offset = RvaToFileOffset(image, nt, rva);
    if (offset == 0) return std::nullopt;
    return image.CString(offset);
}

}  // namespace

void ListImports(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    if (!nt) return;
    uint32_t directoryRva = 0;
    if (!image.Read(*nt + kImportDirectoryAt, directoryRva)) return;
    const uint64_t table = RvaToFileOffset(image, *nt, directoryRva);
    if (table == 0) return;
    // Crafted descriptors sharing one thunk array can't make the listing
    // outgrow the file.
    uint64_t entriesLeft = image.size() / 8;
    for (uint64_t descriptor = table;; descriptor += kImportDescriptorSize) {
        const auto fields = image.Sub(descriptor, kImportDescriptorSize);
        if (!fields || IsAllZero(*fields)) return;
        const auto dllName = StringAtOffsetOf(image, *nt, fields->GetOr<uint32_t>(kIdName, 0));
        if (!dllName) return;
        WriteLog(kLogToWindow, false, true, window, "Dll FileName: %s\r\n", std::string(*dllName).c_str());
        uint32_t thunksRva = fields->GetOr<uint32_t>(kIdOriginalFirstThunk, 0);
        if (thunksRva == 0) thunksRva = fields->GetOr<uint32_t>(kIdFirstThunk, 0);
        const uint64_t thunks = RvaToFileOffset(image, *nt, thunksRva);
        if (thunks == 0) return;
        for (uint64_t at = thunks;; at += 8) {
            uint64_t entry = 0;
            if (entriesLeft-- == 0 || !image.Read(at, entry)) return;
            if (entry == 0) break;
            if (entry & kOrdinalFlag) {
                WriteLog(kLogToWindow, false, true, window, " %x (ord.)\r\n", static_cast<unsigned>(entry & 0xFFFF));
                continue;
            }
            // A hint/name record: the 2-byte hint, then the name.
            const uint64_t hintName = RvaToFileOffset(image, *nt, static_cast<uint32_t>(entry));
            const auto function = hintName != 0 ? image.CString(hintName + 2) : std::nullopt;
            if (!function) return;
            WriteLog(kLogToWindow, false, true, window, " %s\r\n", std::string(*function).c_str());
        }
    }
}

void ListExports(ByteView image, CWnd* window) {
    const auto nt = GetNtHeaders(image);
    const auto directoryAt = GetDataDirectoryVa(image, kDirExport);
    if (!nt || !directoryAt) return;
    const auto directory = image.Sub(*directoryAt, kExportDirectorySize);
    if (!directory) return;
    const auto moduleNameAt = RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdName, 0));
    const auto moduleName = moduleNameAt ? image.CString(*moduleNameAt) : std::nullopt;
    if (!moduleName) return;
    WriteLog(kLogToWindow, false, true, window, "Module Name: %s\r\n", std::string(*moduleName).c_str());
    const uint32_t nameCount = directory->GetOr<uint32_t>(kEdNumberOfNames, 0);
    if (nameCount == 0) return;
    const auto names = RvaToVa(image, *nt, directory->GetOr<uint32_t>(kEdAddressOfNames, 0));
    if (!names) return;
    for (uint32_t i = 0; i < nameCount; ++i) {
        uint32_t nameRva = 0;
        if (!image.Read(*names + uint64_t{i} * 4, nameRva)) return;
        const auto nameAt = RvaToVa(image, *nt, nameRva);
        const auto name = nameAt ? image.CString(*nameAt) : std::nullopt;
        if (!name) return;
        WriteLog(kLogToWindow, false, true, window, "Function Name: %s\r\n", std::string(*name).c_str());
    }
}

void ListImportFunctions(const std::string& path, CWnd* window) {
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return;
    ListImports(mapping.View(), window);
    UnmapFile(mapping);
}

void ListExportFunctions(const std::string& path, CWnd* window) {
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return;
    ListExports(mapping.View(), window);
    UnmapFile(mapping);
}

}  // namespace qv
