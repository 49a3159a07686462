// Every file report that runs on a mapped file (the inspector's reports and
// the two file listings), on one input taken as a mapped file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/ReportTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qv;
    // An exact-size copy, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const ByteView image(bytes.data(), bytes.size());
    CTextLogWindow window;
    for (const FILEREPORT& report : FileReports()) {
        for (MappedReport run : report.arrMapped) run(image, &window);
    }
    return 0;
}
