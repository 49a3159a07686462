// Config.ini's reader on arbitrary bytes: the file's own line split, then
// the keys. A key that the text doesn't hold must stay unset, and one that
// is on must be followed somewhere by an "ON" in some letter case.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/TextFile.h"
#include "ui/ConfigFile.h"

namespace {

void Check(std::string_view text, const char* key, const std::optional<bool>& setting) {
    const size_t found = text.find(key);
    if (found == std::string_view::npos && setting.has_value()) __builtin_trap();
    if (setting.value_or(false)) {
        const std::string_view rest = text.substr(found);
        if (rest.find_first_of("oO") == std::string_view::npos) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qv::ConfigSettings settings = qv::ParseConfigLines(qv::SplitTextLines(text));
    Check(text, "[TEST]=", settings.test);
    Check(text, "[DETECTRET]=", settings.detectRet);
    Check(text, "[DETAIL]=", settings.detail);
    Check(text, "[DEBUG]=", settings.debug);
    Check(text, "[ASYNMSG]=", settings.asynMsg);
    Check(text, "[NONZERORPT]=", settings.nonZeroRpt);
    return 0;
}
