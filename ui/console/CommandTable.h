// The console's command table and how a text is matched against it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/ByteView.h"
#include "ui/console/CommandConsole.h"

namespace qv::console {

enum class Match {
    AsTyped,     // the whole text as typed, letter case ignored
    BeginsWith,  // the trimmed text begins with the keyword, case significant
    Trimmed,     // the whole trimmed text, letter case ignored
};

struct CommandCall {
    const ConsoleSession& session;
    std::string argument;
};

struct CommandRow {
    std::string_view keyword;
    Match match;
    void (*run)(const CommandRow& row, const CommandCall& call);
    // Only the test-mode rows work without a running trace.
    bool withoutTrace = false;
    // Characters after the keyword dropped before the argument.
    size_t separator = 0;
    // The option an option row switches, and to what.
    std::atomic<bool>* option = nullptr;
    bool value = false;
    // The file report a report row runs on the traced executable, by the
    // name the command-line tool gives it.
    std::string_view fileReport{};
};

// What a text means: a row of the table with its argument, or, with no row,
// a function to list, named by the trimmed text.
struct CommandMatch {
    const CommandRow* row = nullptr;
    std::string argument;
};

// Nothing when the text needs a trace and none runs.
std::optional<CommandMatch> MatchCommand(std::string_view text, bool tracing);

}  // namespace qv::console
