#include "ui/console/CommandTable.h"

#include "base/AsciiText.h"
#include "core/OptionFlags.h"
#include "ui/console/CommandActions.h"

namespace qv::console {

namespace {

// In the order a text is tried; the first match wins.
const CommandRow kCommands[] = {
    {.keyword = "$teston$", .match = Match::AsTyped, .run = SwitchTestMode, .withoutTrace = true,
     .option = &g_bTest, .value = true},
    {.keyword = "$testoff$", .match = Match::AsTyped, .run = SwitchTestMode, .withoutTrace = true,
     .option = &g_bTest, .value = false},
    {.keyword = "$debugon$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDebug, .value = true},
    {.keyword = "$debugoff$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDebug, .value = false},
    {.keyword = "$detailon$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDetail, .value = true},
    {.keyword = "$detailoff$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDetail, .value = false},
    {.keyword = "$returnon$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDetectRet, .value = true},
    {.keyword = "$returnoff$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bDetectRet,
     .value = false},
    {.keyword = "$asynmsgon$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bAsynMsg, .value = true},
    {.keyword = "$asynmsgoff$", .match = Match::AsTyped, .run = SwitchOption, .option = &g_bAsynMsg,
     .value = false},
    {.keyword = "$listbt$", .match = Match::AsTyped, .run = ListBreakPoints},
    {.keyword = "$enablebt$", .match = Match::BeginsWith, .run = EnableBreakPoint},
    {.keyword = "$disablebt$", .match = Match::BeginsWith, .run = DisableBreakPoint},
    // The character after the keyword separates it from the trace point text.
    {.keyword = "$addbt$", .match = Match::BeginsWith, .run = AddTracePoint, .separator = 1},
    {.keyword = "$deletebt$", .match = Match::BeginsWith, .run = DeleteBreakPoint},
    {.keyword = "$procinfo$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "procinfo"},
    {.keyword = "$importtable$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "imports"},
    {.keyword = "$iat$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "imports"},
    {.keyword = "$exporttable$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "exports"},
    {.keyword = "$et$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "exports"},
    {.keyword = "$resource$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "resource"},
    {.keyword = "$debugdir$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "debugdir"},
    {.keyword = "$reloc$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "reloc"},
    {.keyword = "$dumpresource$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "dumpresource"},
    {.keyword = "$debuginfo$", .match = Match::Trimmed, .run = RunFileReportRow, .fileReport = "debuginfo"},
    {.keyword = "$peek$", .match = Match::BeginsWith, .run = PeekMemory},
    {.keyword = "$poke$", .match = Match::BeginsWith, .run = PokeMemory},
    {.keyword = "$locate$", .match = Match::BeginsWith, .run = LocateSymbol},
};

bool Matches(const CommandRow& row, std::string_view typed, std::string_view trimmed) {
    switch (row.match) {
    case Match::AsTyped: return EqualsIgnoreCase(typed, row.keyword);
    case Match::BeginsWith: return trimmed.substr(0, row.keyword.size()) == row.keyword;
    case Match::Trimmed: return EqualsIgnoreCase(trimmed, row.keyword);
    }
    return false;
}

std::string ArgumentOf(const CommandRow& row, std::string_view trimmed) {
    if (row.match != Match::BeginsWith) return {};
    const size_t start = row.keyword.size() + row.separator;
    return std::string(TrimBlanks(start < trimmed.size() ? trimmed.substr(start) : std::string_view()));
}

}  // namespace

std::optional<CommandMatch> MatchCommand(std::string_view text, bool tracing) {
    const std::string_view trimmed = TrimBlanks(text);
    for (const CommandRow& row : kCommands) {
        if (!row.withoutTrace && !tracing) return std::nullopt;
        if (Matches(row, text, trimmed)) return CommandMatch{&row, ArgumentOf(row, trimmed)};
    }
    if (!tracing) return std::nullopt;
    return CommandMatch{nullptr, std::string(trimmed)};
}

}  // namespace qv::console

namespace qv {

void ExecuteConsoleCommand(const std::string& text, const ConsoleSession& session) {
    const std::optional<console::CommandMatch> match = console::MatchCommand(text, session.pTracer != nullptr);
    if (!match) return;
    if (match->row == nullptr) {
        console::ListFunction(session, match->argument);
        return;
    }
    match->row->run(*match->row, console::CommandCall{session, match->argument});
}

}  // namespace qv
