// The trace point syntax on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "symbols/TracePointSyntax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qv::TracePointParse parse = qv::ParseTracePointSpec(text);
    if (parse.spec) qv::ReadHexAddress(parse.spec->body);
    qv::ReadDecimal(text);
    return 0;
}
