// Config.ini: option switches read once at start. Each line is searched for
// each key in a fixed order (anywhere in the line, first occurrence); the
// value runs from after the key to the end of the line, trimmed, and turns
// the flag on when it reads "ON" in any letter case, off otherwise.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The outcome for the six keys: unset when no line held the key.
struct ConfigSettings {
    std::optional<bool> test, detectRet, detail, debug, asynMsg, nonZeroRpt;
};

ConfigSettings ParseConfigLines(const std::vector<std::string>& lines);

// Reads Config.ini of the current directory and sets the option flags it
// names; a missing file changes nothing.
void ReadConfigFile();

}  // namespace qv
