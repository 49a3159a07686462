// The accounting calls: times, memory, I/O and cycle counters of processes
// and threads as the test set them, the processor count, and the calls a
// test made fail.
#include "platform/sim/SimLastError.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

// The live process a handle names, unless a test made the call fail.
detail::SimProcess* QueriedProcess(detail::State& state, Handle handle, FailingCall call) {
    detail::SimProcess* process = state.ProcessOf(handle);
    if (process == nullptr) {
        detail::SetLastError(detail::kErrorInvalidHandle);
        return nullptr;
    }
    return state.TakeFailure(call, process->id) ? nullptr : process;
}

detail::SimThread* QueriedThread(detail::State& state, Handle handle, FailingCall call) {
    detail::SimThread* thread = state.ThreadOf(handle);
    if (thread == nullptr) {
        detail::SetLastError(detail::kErrorInvalidHandle);
        return nullptr;
    }
    return state.TakeFailure(call, thread->id) ? nullptr : thread;
}

}  // namespace

SimProcessAccounting SimMachine::ProcessAccounting(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireProcess(processId).accounting;
}

void SimMachine::SetProcessAccounting(uint32_t processId, const SimProcessAccounting& accounting) {
    std::lock_guard lock(m_state->mutex);
    m_state->RequireProcess(processId).accounting = accounting;
}

SimThreadAccounting SimMachine::ThreadAccounting(uint32_t threadId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireThread(threadId).accounting;
}

void SimMachine::SetThreadAccounting(uint32_t threadId, const SimThreadAccounting& accounting) {
    std::lock_guard lock(m_state->mutex);
    m_state->RequireThread(threadId).accounting = accounting;
}

void SimMachine::SetProcessorCount(uint32_t processors) {
    std::lock_guard lock(m_state->mutex);
    m_state->processors = processors;
}

SystemInfo SimMachine::GetSystemInfo() {
    std::lock_guard lock(m_state->mutex);
    SystemInfo info;
    info.dwNumberOfProcessors = m_state->processors;
    return info;
}

std::optional<ObjectTimes> SimMachine::GetProcessTimes(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = QueriedProcess(*m_state, process, FailingCall::GetProcessTimes);
    if (found == nullptr) return std::nullopt;
    return found->accounting.times;
}

std::optional<ProcessMemoryCounters> SimMachine::GetProcessMemoryInfo(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = QueriedProcess(*m_state, process, FailingCall::GetProcessMemoryInfo);
    if (found == nullptr) return std::nullopt;
    return found->accounting.memory;
}

std::optional<IoCounters> SimMachine::GetProcessIoCounters(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = QueriedProcess(*m_state, process, FailingCall::GetProcessIoCounters);
    if (found == nullptr) return std::nullopt;
    return found->accounting.io;
}

std::optional<uint64_t> SimMachine::QueryProcessCycleTime(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = QueriedProcess(*m_state, process, FailingCall::QueryProcessCycleTime);
    if (found == nullptr) return std::nullopt;
    return found->accounting.cycles;
}

std::optional<ObjectTimes> SimMachine::GetThreadTimes(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = QueriedThread(*m_state, thread, FailingCall::GetThreadTimes);
    if (found == nullptr) return std::nullopt;
    return found->accounting.times;
}

std::optional<uint64_t> SimMachine::QueryThreadCycleTime(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = QueriedThread(*m_state, thread, FailingCall::QueryThreadCycleTime);
    if (found == nullptr) return std::nullopt;
    return found->accounting.cycles;
}

std::optional<bool> SimMachine::GetThreadIOPendingFlag(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = QueriedThread(*m_state, thread, FailingCall::GetThreadIOPendingFlag);
    if (found == nullptr) return std::nullopt;
    return found->accounting.ioPending;
}

int32_t SimMachine::GetThreadPriority(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = QueriedThread(*m_state, thread, FailingCall::GetThreadPriority);
    return found == nullptr ? kThreadPriorityErrorReturn : found->accounting.priority;
}

}  // namespace qv::sim
