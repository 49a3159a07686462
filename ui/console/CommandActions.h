// What the console's commands do, one function per kind of row.
#pragma once

#include <string>

#include "ui/console/CommandTable.h"

namespace qv::console {

void SwitchTestMode(const CommandRow& row, const CommandCall& call);
void SwitchOption(const CommandRow& row, const CommandCall& call);

void ListBreakPoints(const CommandRow& row, const CommandCall& call);
void EnableBreakPoint(const CommandRow& row, const CommandCall& call);
void DisableBreakPoint(const CommandRow& row, const CommandCall& call);
void AddTracePoint(const CommandRow& row, const CommandCall& call);
void DeleteBreakPoint(const CommandRow& row, const CommandCall& call);

void RunFileReportRow(const CommandRow& row, const CommandCall& call);

void PeekMemory(const CommandRow& row, const CommandCall& call);
void PokeMemory(const CommandRow& row, const CommandCall& call);
void LocateSymbol(const CommandRow& row, const CommandCall& call);

// Any other text: a function of the target, "[module!]function".
void ListFunction(const ConsoleSession& session, const std::string& text);

// A line of the console's own, in the log window without a time stamp.
void WriteConsoleLine(const ConsoleSession& session, const std::string& line);

}  // namespace qv::console
