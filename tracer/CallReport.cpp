// The call and return reports of a hit: the "User call" line, the call
// stacks and the arguments; with return catching, the breakpoint at the
// return address and, when the same call returns through it, the return
// line with the returned value.
#include "tracer/CallReport.h"

#include "core/ValueRendering.h"
#include "platform/Platform.h"
#include "tracer/DeamonThread.h"
#include "core/OptionFlags.h"
#include "core/ProcessHandle.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"

namespace qv {

namespace {

constexpr int32_t kReturnValueDepth = 2;
constexpr uint32_t kLastFloatRegister = 7;

}  // namespace

std::string RenderArguments(uint32_t processId, uint32_t threadId, const ArgSpecMap& args) {
    IPlatform& platform = Platform();
    const ProcessHandle process(processId);
    if (process.get() == kNullHandle) return std::string();
    const Handle thread = platform.OpenThread(kThreadAllAccess, threadId);
    if (thread == kNullHandle) return std::string();
    std::string text;
    if (!args.empty()) {
        text = FormatString("\t[Args(%d)]: \r\n", static_cast<int>(args.size()));
        ThreadContext context;
        context.ContextFlags = kContextAll;
        if (!platform.GetThreadContext(thread, context)) context.Rsp = 0;
        uint64_t slot = context.Rsp;
        for (const auto& [index, spec] : args) {
            slot += 8;
            text += "\t\t" + RenderValue(process.get(), slot, spec.nSize, spec.nDepth, false) + "\r\n";
        }
    }
    platform.CloseHandle(thread);
    return text;
}

void CDeamonThread::ReportCall(int32_t index, const BREAKPOINTINFO& record, uint32_t threadId) {
    const int tid = static_cast<int>(threadId);
    if (g_bDetectRet) {
        m_arrThreads.PushCall(threadId, index);
        const ProcessHandle process(m_nProcessId);
        const uint64_t returnAddress =
            process.get() == kNullHandle ? 0 : ReadTargetQword(process.get(), GetThreadRsp(threadId));
        if (returnAddress != 0) {
            int32_t returnIndex =
                m_arrBreakPoints.AddBreakPoint(record.nModuleBase, returnAddress, record.pszName, {}, 0, true, false);
            if (returnIndex < 0) returnIndex = m_arrBreakPoints.FindBreakPoint(returnAddress);
            if (!m_arrBreakPoints.GetAt(returnIndex).bArmed) ArmBreakPoint(process.get(), returnIndex);
            LogStamped("User call: %s (Return Addr: 0x%08x; TID: %d) \r\n", record.pszName.c_str(),
                       static_cast<uint32_t>(returnAddress), tid);
        }
    } else {
        LogStamped("User call: %s (TID: %d) \r\n", record.pszName.c_str(), tid);
    }
    LogHitCallStacks(m_nProcessId, threadId, record.nStackDepth, record.nAddress);
    const std::string arguments = RenderArguments(m_nProcessId, threadId, record.mapArgs);
    if (!arguments.empty()) Log("%s", arguments.c_str());
}

void CDeamonThread::ReportReturn(int32_t, const BREAKPOINTINFO& record, uint32_t threadId) {
    // The return popped exactly the return address that lay at the call's
    // entry stack pointer; anything else is another call's return.
    const uint64_t stackPointer = static_cast<uint32_t>(GetThreadRsp(threadId));
    if (stackPointer < 8 || stackPointer - 8 != m_arrThreads.TopCallStackPointer(threadId)) return;
    uint8_t registerImage[10] = {};
    const uint64_t valueHigh = GetThreadRdx(threadId);
    const uint64_t value = GetThreadRax(threadId);
    const int32_t entry = m_arrThreads.PopCall(threadId);
    const auto valueLow = static_cast<uint32_t>(value);
    if (valueLow <= kLastFloatRegister) GetThreadFloatRegister(threadId, static_cast<int>(valueLow), registerImage);
    std::string valueText;
    if (value != 0) {
        const ProcessHandle process(m_nProcessId);
        valueText = RenderValue(process.get(), value, 0, kReturnValueDepth, false);
    }
    const std::string& name =
        m_arrBreakPoints.IsValidIndex(entry) ? m_arrBreakPoints.GetAt(entry).pszName : record.pszName;
    const auto address = static_cast<uint32_t>(record.nAddress);
    if (!g_bDetail && !g_bDebug) {
        Log("\t %s return at 0x%08x \r\n", name.c_str(), address);
        return;
    }
    const uint8_t* r = registerImage;
    Log("\t%s return at 0x%08x with value: 0x%08x:%08x(=>%s)[%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x] \r\n",
        name.c_str(), address, static_cast<uint32_t>(valueHigh), valueLow, valueText.c_str(), r[0], r[1], r[2], r[3],
        r[4], r[5], r[6], r[7], r[8], r[9]);
}

}  // namespace qv
