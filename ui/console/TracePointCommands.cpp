// The trace point rows. Every change goes through the tracer's own table
// operations, which take the table lock; the listing reads a copy taken
// under it.
#include <vector>

#include "symbols/TracePointSyntax.h"
#include "tracer/DeamonThread.h"
#include "core/ProcessHandle.h"
#include "core/StringFormat.h"
#include "core/TraceLog.h"
#include "ui/console/CommandActions.h"

namespace qv::console {

namespace {

std::vector<BREAKPOINTINFO> CopyBreakPoints(CDeamonThread& tracer) {
    TableLock lock(tracer);
    std::vector<BREAKPOINTINFO> records;
    for (int32_t i = 0; i < tracer.m_arrBreakPoints.GetSize(); ++i) records.push_back(tracer.m_arrBreakPoints.GetAt(i));
    return records;
}

std::string BreakPointLine(int32_t index, const BREAKPOINTINFO& record) {
    std::string line = FormatString("#%d: %s*%d[0x%08x] (", index, record.pszName.c_str(), record.nStackDepth,
                                    static_cast<uint32_t>(record.nAddress));
    const int32_t count = static_cast<int32_t>(record.mapArgs.size());
    for (int32_t k = 0; k < count; ++k) {
        const auto found = record.mapArgs.find(k);
        const ARGSPEC spec = found == record.mapArgs.end() ? ARGSPEC{} : found->second;
        line += FormatString("%d*%d ", spec.nSize, spec.nDepth);
    }
    line += FormatString(") %s\r\n", record.bEnabled ? "Enabled" : "Disabled");
    return line;
}

}  // namespace

void WriteConsoleLine(const ConsoleSession& session, const std::string& line) {
    WriteLog(kLogToWindow, false, session.pTracer->m_bLogToWindow, session.pLogWindow, "%s", line.c_str());
}

void ListBreakPoints(const CommandRow&, const CommandCall& call) {
    const std::vector<BREAKPOINTINFO> records = CopyBreakPoints(*call.session.pTracer);
    for (size_t i = 0; i < records.size(); ++i) {
        WriteConsoleLine(call.session, BreakPointLine(static_cast<int32_t>(i), records[i]));
    }
}

void EnableBreakPoint(const CommandRow&, const CommandCall& call) {
    CDeamonThread& tracer = *call.session.pTracer;
    tracer.EnableBreakPoint(tracer.m_nProcessId, ReadDecimal(call.argument));
}

void DisableBreakPoint(const CommandRow&, const CommandCall& call) {
    CDeamonThread& tracer = *call.session.pTracer;
    tracer.DisableBreakPoint(tracer.m_nProcessId, ReadDecimal(call.argument));
}

void DeleteBreakPoint(const CommandRow&, const CommandCall& call) {
    CDeamonThread& tracer = *call.session.pTracer;
    const ProcessHandle process(tracer.m_nProcessId);
    // Without the target the saved byte could not go back, and the record's
    // 0xCC would stay behind in the code.
    if (process.get() == kNullHandle) return;
    tracer.DeleteBreakPoint(process.get(), ReadDecimal(call.argument), true);
}

void AddTracePoint(const CommandRow&, const CommandCall& call) {
    CDeamonThread& tracer = *call.session.pTracer;
    // Only this thread removes records, so the new index stays put until it
    // is armed.
    const int32_t index = tracer.AddTracePoint(call.argument);
    if (index < 0) return;
    const ProcessHandle process(tracer.m_nProcessId);
    tracer.ArmBreakPoint(process.get(), index);
}

}  // namespace qv::console
