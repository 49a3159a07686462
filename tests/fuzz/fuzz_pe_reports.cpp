// Every report of the PE inspector, and the two file listings, on one input
// taken as a mapped file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/PeReports.h"
#include "symbols/FileListings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qv;
    // An exact-size copy, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const ByteView image(bytes.data(), bytes.size());
    CTextLogWindow window;
    ReportFileHeader(image, &window);
    ReportOptionalHeader(image, &window);
    ReportSections(image, &window);
    ReportImports(image, &window);
    ReportExports(image, &window);
    ReportDebugFormats(image, &window);
    ReportDebugDirectory(image, &window);
    ReportResources(image, &window);
    ReportRelocations(image, &window);
    ListImports(image, &window);
    ListExports(image, &window);
    return 0;
}
