#include "peinfo/DebugRecords.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "peinfo/ReportLog.h"

namespace qv {

namespace {

constexpr uint64_t kNb10HeaderSize = 20;
constexpr uint64_t kNb10Name = 16;
constexpr uint64_t kRsdsHeaderSize = 28;
constexpr uint64_t kRsdsName = 24;
constexpr uint64_t kMiscMinimumSize = 16;
constexpr uint64_t kMiscData = 12;
constexpr uint32_t kMiscExeName = 1;

// `record` runs from the record's start to the end of the file.
void ReportNb10(ByteView record, NameBudget& budget, CWnd* window) {
    const auto name = budget.CString(record, kNb10Name);
    if (!record.Contains(0, kNb10HeaderSize) || !name) return;
    ReportLine(window, "CodeView format: NB10 \n");
    ReportLine(window, "Signature: %08x  Age: %u  \n", record.GetOr<uint32_t>(8, 0), record.GetOr<uint32_t>(12, 0));
    ReportLine(window, "PDB File: %s \n", std::string(*name).c_str());
}

void ReportRsds(ByteView record, NameBudget& budget, CWnd* window) {
    const auto name = budget.CString(record, kRsdsName);
    if (!record.Contains(0, kRsdsHeaderSize) || !name) return;
    const auto byte = [&](uint64_t at) { return unsigned{record.GetOr<uint8_t>(at, 0)}; };
    ReportLine(window, "CodeView format: RSDS \n");
    ReportLine(window, "Signature: ");
    ReportLine(window, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", record.GetOr<uint32_t>(4, 0),
               unsigned{record.GetOr<uint16_t>(8, 0)}, unsigned{record.GetOr<uint16_t>(10, 0)}, byte(12), byte(13),
               byte(14), byte(15), byte(16), byte(17), byte(18), byte(19));
    ReportLine(window, "  Age: %u  \n", record.GetOr<uint32_t>(20, 0));
    ReportLine(window, "PdbFile: %s \n", std::string(*name).c_str());
}

}  // namespace

void ReportCodeViewRecord(ByteView image, uint64_t offset, uint32_t size, NameBudget& budget, CWnd* window) {
    if (size < 4 || !image.Contains(offset, size)) return;
    const ByteView record = *image.From(offset);
    const std::string_view signature(reinterpret_cast<const char*>(record.data()), 4);
    if (signature == "NB10") {
        ReportNb10(record, budget, window);
    } else if (signature == "RSDS") {
        ReportRsds(record, budget, window);
    } else {
        ReportLine(window, "CodeView signature: %c%c%c%c \n", signature[0], signature[1], signature[2], signature[3]);
        uint32_t infoOffset = 0;
        if (signature.substr(0, 2) == "NB" && record.Read(4, infoOffset)) {
            ReportLine(window, "CodeView information offset: %08x\n", infoOffset);
        }
    }
}

void ReportMiscRecord(ByteView image, uint64_t offset, uint32_t size, NameBudget& budget, CWnd* window) {
    if (size < kMiscMinimumSize || !image.Contains(offset, size)) return;
    const ByteView record = *image.From(offset);
    const uint32_t dataType = record.GetOr<uint32_t>(0, 0);
    const bool unicode = record.GetOr<uint8_t>(8, 0) != 0;
    ReportLine(window, "Data type: %u  Length: %u  Format: %s \n", dataType, record.GetOr<uint32_t>(4, 0),
               unicode ? "Unicode" : "ANSI");
    if (dataType != kMiscExeName) return;
    std::optional<std::string> name;
    if (unicode) {
        name = budget.Utf16Z(record, kMiscData);
    } else if (const auto text = budget.CString(record, kMiscData)) {
        name = std::string(*text);
    }
    if (name) ReportLine(window, "File: %s \n", name->c_str());
}

}  // namespace qv
