// The tracer's side of the call stacks: which process and thread, and how a
// frame is named. Walking and writing are the stacks subsystem's.
#include "tracer/CallStacks.h"

#include <optional>

#include "stacks/CallStackLog.h"
#include "stacks/StackWalks.h"
#include "symbols/ExportLookup.h"
#include "tracer/DeamonThread.h"
#include "core/StringFormat.h"

namespace qv {

std::string CDeamonThread::CallStackFrameLine(uint64_t address) {
    const auto low = static_cast<uint32_t>(address);
    if (const auto module = CopyModuleHolding(address)) {
        if (const auto name = ResolveSymbol(module->nBase, module->pszName, address, nullptr)) {
            return FormatString("\t\t0x%08x (%s)\r\n", low, name->c_str());
        }
        return FormatString("\t\t0x%08x (%s!Unknow)\r\n", low, module->pszName.c_str());
    }
    auto name = ResolveSymbol(0, std::string(), address, nullptr);
    if (!name) name = GetExportModuleName(address);
    if (name) return FormatString("\t\t0x%08x (%s)\r\n", low, name->c_str());
    return FormatString("\t\t0x%08x (Unknow!Unknow)\r\n", low);
}

void CDeamonThread::LogHitCallStacks(Handle thread, const ThreadContext& context, int32_t depth, uint64_t stoppedAt) {
    if (!m_bSymInitialized || depth == 0) return;
    const FrameAddresses frames = WalkThreadStack(m_hProcess, thread, context, depth, stoppedAt);
    WriteCallStack(depth, frames, [this](uint64_t address) { return CallStackFrameLine(address); }, m_bLogToWindow,
                   GetMainWnd());
}

void CDeamonThread::LogThreadCallStacks(uint32_t processId, uint32_t threadId, int32_t depth) {
    const auto frames = WalkFramePointerChain(processId != 0 ? processId : m_nProcessId,
                                              threadId != 0 ? threadId : m_nThreadId, kContextFull, depth);
    if (!frames) return;
    WriteCallStack(depth, *frames, [this](uint64_t address) { return CallStackFrameLine(address); }, m_bLogToWindow,
                   GetMainWnd());
}

std::string ExportFrameLine(uint64_t address) {
    auto name = GetExportSymbolByAddress(address, nullptr);
    if (!name) name = GetExportModuleName(address);
    return FormatString("\t\t0x%x (%s)\r\n", static_cast<uint32_t>(address), name ? name->c_str() : "Unknow!Unknow");
}

void LogCallStacks(uint32_t processId, uint32_t threadId, bool logSwitch, CWnd* window, int32_t depth) {
    LogCallStacks(processId, threadId, logSwitch, window, depth, ExportFrameLine);
}

}  // namespace qv
