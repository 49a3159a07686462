#include "ui/ConfigFile.h"

#include <array>
#include <string_view>

#include "core/OptionFlags.h"
#include "core/TextFile.h"

namespace qv {

namespace {

struct ConfigKey {
    const char* key;
    std::optional<bool> ConfigSettings::*setting;
    std::atomic<bool>* flag;
};

// In the order the keys are tried on every line.
const std::array kConfigKeys{
    ConfigKey{"[TEST]=", &ConfigSettings::test, &g_bTest},
    ConfigKey{"[DETECTRET]=", &ConfigSettings::detectRet, &g_bDetectRet},
    ConfigKey{"[DETAIL]=", &ConfigSettings::detail, &g_bDetail},
    ConfigKey{"[DEBUG]=", &ConfigSettings::debug, &g_bDebug},
    ConfigKey{"[ASYNMSG]=", &ConfigSettings::asynMsg, &g_bAsynMsg},
    ConfigKey{"[NONZERORPT]=", &ConfigSettings::nonZeroRpt, &g_bNonZeroRpt},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsOn(std::string_view value) {
    return value.size() == 2 && (value[0] == 'O' || value[0] == 'o') && (value[1] == 'N' || value[1] == 'n');
}

}  // namespace

ConfigSettings ParseConfigLines(const std::vector<std::string>& lines) {
    ConfigSettings settings;
    for (const std::string& line : lines) {
        const std::string_view text(line);
        for (const ConfigKey& key : kConfigKeys) {
            const size_t found = text.find(key.key);
            if (found == std::string_view::npos) continue;
            settings.*key.setting = IsOn(Trim(text.substr(found + std::string_view(key.key).size())));
        }
    }
    return settings;
}

void ReadConfigFile() {
    const auto lines = ReadTextFileLines("Config.ini");
    if (!lines) return;
    const ConfigSettings settings = ParseConfigLines(*lines);
    for (const ConfigKey& key : kConfigKeys) {
        if (const std::optional<bool>& value = settings.*key.setting) key.flag->store(*value);
    }
}

}  // namespace qv
