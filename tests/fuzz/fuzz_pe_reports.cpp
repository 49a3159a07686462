// Every file report that runs on a mapped file (the inspector's reports and
// the two file listings), on one input taken as a mapped file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/ReportTable.h"

namespace {

// Each report walks its own structures once: its output grows with the file
// by at most what its densest record prints per byte the record holds (a
// resource entry with a 127-character name at the deepest level, about 24;
// a relocation word of a long type name, 12), and the names it shows
// together take no more than the file. Reports read the same bytes as one
// another, so each is held to this on its own. A report past it walks
// something twice. Its fixed texts come on top.
constexpr size_t kMaxReportBytesPerInputByte = 32;
constexpr size_t kFixedReportBytes = 16 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qv;
    // An exact-size copy, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const ByteView image(bytes.data(), bytes.size());
    for (const FILEREPORT& report : FileReports()) {
        for (MappedReport run : report.arrMapped) {
            CTextLogWindow window;
            run(image, &window);
            if (window.Text().size() > kMaxReportBytesPerInputByte * size + kFixedReportBytes) std::abort();
        }
    }
    return 0;
}
