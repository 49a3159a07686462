// Every file report that runs on a mapped file (the inspector's reports and
// the two file listings), on one input taken as a mapped file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/ReportTable.h"

namespace {

// A report that walks past its data writes far more than its input holds.
// Every report together wrote at most 1.07 bytes per input byte over the
// 648 PE files of a Wine installation (the most: msvcr120_app.dll, 179854
// bytes from 168219); 8 leaves room for inputs made of dense tables while
// staying below the 9.5 bytes a walked relocation word prints. The fixed
// texts of the header reports come on top, whatever the input's size.
constexpr size_t kMaxReportBytesPerInputByte = 8;
constexpr size_t kFixedReportBytes = 16 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qv;
    // An exact-size copy, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const ByteView image(bytes.data(), bytes.size());
    CTextLogWindow window;
    for (const FILEREPORT& report : FileReports()) {
        for (MappedReport run : report.arrMapped) run(image, &window);
    }
    if (window.Text().size() > kMaxReportBytesPerInputByte * size + kFixedReportBytes) std::abort();
    return 0;
}
