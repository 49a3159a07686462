// The call and return reports of a hit: the "User call" line, the call
// stacks and the arguments; with return catching, the breakpoint at the
// return address and, when the same call returns through it, the return
// line with the returned value. The table work happens at the hit, under
// the lock; the lines are rendered and written after it is let go.
#include "tracer/CallReport.h"

#include "core/OptionFlags.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"
#include "core/ValueRendering.h"
#include "tracer/DeamonThread.h"

namespace qv {

namespace {

constexpr int32_t kReturnValueDepth = 2;

}  // namespace

std::string RenderArguments(Handle process, uint64_t stackPointer, const ArgSpecMap& args) {
    if (process == kNullHandle || args.empty()) return std::string();
    std::string text = FormatString("\t[Args(%d)]: \r\n", static_cast<int>(args.size()));
    uint64_t slot = stackPointer;
    for (const auto& [index, spec] : args) {
        slot += 8;
        text += "\t\t" + RenderValue(process, slot, spec.nSize, spec.nDepth, false) + "\r\n";
    }
    return text;
}

void CDeamonThread::ReportCall(int32_t index, const BREAKPOINTINFO& record, const HitThread& hit) {
    HitReport report;
    report.bEntry = true;
    report.name = record.pszName;
    report.thread = hit;
    report.address = record.nAddress;
    report.returnCatching = g_bDetectRet;
    report.stackDepth = record.nStackDepth;
    report.args = record.mapArgs;
    if (report.returnCatching) {
        const uint64_t stackPointer = hit.context.Rsp;
        const uint64_t returnAddress = m_hProcess == kNullHandle ? 0 : ReadTargetQword(m_hProcess, stackPointer);
        m_arrThreads.PushCall(hit.threadId, index, stackPointer, returnAddress);
        if (returnAddress != 0) {
            int32_t returnIndex =
                m_arrBreakPoints.AddBreakPoint(record.nModuleBase, returnAddress, record.pszName, {}, 0, true, false);
            if (returnIndex < 0) returnIndex = m_arrBreakPoints.FindBreakPoint(returnAddress);
            if (!m_arrBreakPoints.GetAt(returnIndex).bArmed) ArmBreakPoint(m_hProcess, returnIndex);
            report.returnAddress = returnAddress;
        }
    }
    m_gatheredReports.push_back(std::move(report));
}

void CDeamonThread::WriteCallReport(const HitReport& report) {
    const int tid = static_cast<int>(report.thread.threadId);
    if (!report.returnCatching) {
        LogStamped("User call: %s (TID: %d) \r\n", report.name.c_str(), tid);
    } else if (report.returnAddress != 0) {
        LogStamped("User call: %s (Return Addr: 0x%08x; TID: %d) \r\n", report.name.c_str(),
                   static_cast<uint32_t>(report.returnAddress), tid);
    }
    if (report.thread.handle == kNullHandle) return;
    if (report.thread.contextRead) {
        LogHitCallStacks(report.thread.handle, report.thread.context, report.stackDepth, report.address);
    }
    const std::string arguments = RenderArguments(m_hProcess, report.thread.context.Rsp, report.args);
    if (!arguments.empty()) Log("%s", arguments.c_str());
}

void CDeamonThread::ReportReturn(int32_t, const BREAKPOINTINFO& record, const HitThread& hit) {
    // The return popped exactly the return address that lay at the call's
    // entry stack pointer; anything else is another call's return.
    const uint64_t stackPointer = static_cast<uint32_t>(hit.context.Rsp);
    if (stackPointer < 8 || stackPointer - 8 != m_arrThreads.TopCallStackPointer(hit.threadId)) return;
    const int32_t entry = m_arrThreads.PopCall(hit.threadId);
    HitReport report;
    report.bEntry = false;
    report.name = m_arrBreakPoints.IsValidIndex(entry) ? m_arrBreakPoints.GetAt(entry).pszName : record.pszName;
    report.thread = hit;
    report.address = record.nAddress;
    m_gatheredReports.push_back(std::move(report));
}

void CDeamonThread::WriteReturnReport(const HitReport& report) {
    const auto address = static_cast<uint32_t>(report.address);
    if (!g_bDetail && !g_bDebug) {
        Log("\t %s return at 0x%08x \r\n", report.name.c_str(), address);
        return;
    }
    const uint64_t valueHigh = report.thread.context.Rdx;
    const uint64_t value = report.thread.context.Rax;
    // The image of the x87 register the value may name stays zero: the
    // context carries no x87 registers.
    const uint8_t r[10] = {};
    std::string valueText;
    if (value != 0) valueText = RenderValue(m_hProcess, value, 0, kReturnValueDepth, false);
    Log("\t%s return at 0x%08x with value: 0x%08x:%08x(=>%s)[%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x] \r\n",
        report.name.c_str(), address, static_cast<uint32_t>(valueHigh), static_cast<uint32_t>(value),
        valueText.c_str(), r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9]);
}

}  // namespace qv
