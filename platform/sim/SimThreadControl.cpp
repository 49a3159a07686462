// Thread and process control through handles: suspend counts, contexts,
// termination, exit codes and the basic thread information.
#include <cstring>
#include <stdexcept>

#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

constexpr uint32_t kFailedCount = 0xFFFFFFFF;
constexpr uint32_t kMaximumSuspendCount = 127;
constexpr int32_t kStatusInvalidInfoClass = static_cast<int32_t>(0xC0000003);
constexpr int32_t kStatusInfoLengthMismatch = static_cast<int32_t>(0xC0000004);
constexpr int32_t kStatusInvalidHandle = static_cast<int32_t>(0xC0000008);
constexpr uint32_t kBasicInformationSize = 48;

}  // namespace

uint32_t SimMachine::SuspendThread(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    detail::SimThread* found = m_state->ThreadOf(thread);
    if (found == nullptr || !found->alive || found->suspendCount >= kMaximumSuspendCount) return kFailedCount;
    m_state->NotifyChange();
    return found->suspendCount++;
}

uint32_t SimMachine::ResumeThread(Handle thread) {
    std::lock_guard lock(m_state->mutex);
    detail::SimThread* found = m_state->ThreadOf(thread);
    if (found == nullptr || !found->alive) return kFailedCount;
    const uint32_t previous = found->suspendCount;
    if (previous > 0) --found->suspendCount;
    m_state->NotifyChange();
    return previous;
}

bool SimMachine::GetThreadContext(Handle thread, ThreadContext& context) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = m_state->ThreadOf(thread);
    if (found == nullptr || !found->alive || m_state->TakeFailure(FailingCall::GetThreadContext, found->id)) {
        return false;
    }
    const uint32_t flags = context.ContextFlags;
    context = found->context;
    context.ContextFlags = flags;
    return true;
}

bool SimMachine::SetThreadContext(Handle thread, const ThreadContext& context) {
    std::lock_guard lock(m_state->mutex);
    detail::SimThread* found = m_state->ThreadOf(thread);
    if (found == nullptr || !found->alive || m_state->TakeFailure(FailingCall::SetThreadContext, found->id)) {
        return false;
    }
    found->context = context;
    found->context.ContextFlags = kContextAll;
    return true;
}

bool SimMachine::TerminateProcess(Handle process, uint32_t exitCode) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* found = m_state->ProcessOf(process);
    // The tool never ends itself through the machine.
    if (found == nullptr || found->own || !found->alive) return false;
    m_state->EndProcess(*found, exitCode);
    return true;
}

bool SimMachine::TerminateThread(Handle thread, uint32_t exitCode) {
    uint32_t threadId = 0;
    {
        std::lock_guard lock(m_state->mutex);
        const detail::SimThread* found = m_state->ThreadOf(thread);
        if (found == nullptr || !found->alive) return false;
        threadId = found->id;
    }
    ExitThread(threadId, exitCode);
    return true;
}

bool SimMachine::GetExitCodeProcess(Handle process, uint32_t& exitCode) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr) return false;
    exitCode = found->exitCode;
    return true;
}

int32_t SimMachine::NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer, uint32_t length) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* found = m_state->ThreadOf(thread);
    if (found == nullptr) return kStatusInvalidHandle;
    if (infoClass != 0) return kStatusInvalidInfoClass;
    if (buffer == nullptr || length < kBasicInformationSize) return kStatusInfoLengthMismatch;
    // THREAD_BASIC_INFORMATION: ExitStatus, TebBaseAddress, ClientId,
    // AffinityMask, Priority, BasePriority.
    uint8_t record[kBasicInformationSize] = {};
    const uint32_t exitStatus = found->exitCode;
    const uint64_t clientId[2] = {found->processId, found->id};
    const uint64_t affinity = 3;
    const int32_t priority[2] = {8, 8};
    std::memcpy(record, &exitStatus, 4);
    std::memcpy(record + 8, &found->teb, 8);
    std::memcpy(record + 16, clientId, 16);
    std::memcpy(record + 32, &affinity, 8);
    std::memcpy(record + 40, priority, 8);
    std::memcpy(buffer, record, sizeof record);
    return 0;
}

uint32_t SimMachine::SuspendCount(uint32_t threadId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireThread(threadId).suspendCount;
}

ThreadContext SimMachine::Context(uint32_t threadId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireThread(threadId).context;
}

SimThreadStats SimMachine::ThreadStats(uint32_t threadId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireThread(threadId).stats;
}

bool SimMachine::IsProcessAlive(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* process = m_state->FindProcess(processId);
    return process != nullptr && process->alive;
}

std::optional<uint32_t> SimMachine::ProcessExitCode(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess& process = m_state->RequireProcess(processId);
    if (process.alive) return std::nullopt;
    return process.exitCode;
}

void SimMachine::ScriptCalls(uint32_t threadId, std::vector<SimCall> calls) {
    std::lock_guard lock(m_state->mutex);
    detail::SimThread& thread = m_state->RequireThread(threadId);
    for (SimCall& call : calls) thread.script.push_back(std::move(call));
    m_state->NotifyChange();
}

bool SimMachine::IsIdle(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    for (uint32_t id : m_state->RequireProcess(processId).threads) {
        const detail::SimThread& thread = m_state->threads.at(id);
        if (thread.alive && (thread.HasWork() || thread.raised)) return false;
    }
    return true;
}

}  // namespace qv::sim
