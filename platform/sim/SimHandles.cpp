// The one handle table (files, mappings, processes, threads) and the
// lookups from handles and ids to the machine's objects.
#include <stdexcept>

#include "platform/sim/SimLastError.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

uint32_t State::NewObjectId() {
    const uint32_t id = nextObjectId;
    nextObjectId += 4;
    return id;
}

Handle State::AddHandle(HandleEntry entry) {
    // Values are never reused, so a stale handle can't reach a new object.
    const Handle handle = nextHandle;
    nextHandle += 4;
    handles.emplace(handle, std::move(entry));
    return handle;
}

const HandleEntry* State::FindHandle(Handle handle, HandleKind kind) const {
    auto it = handles.find(handle);
    if (it == handles.end() || it->second.kind != kind) return nullptr;
    return &it->second;
}

SimProcess* State::ProcessOf(Handle handle) {
    if (handle == kCurrentProcessPseudo) return FindProcess(ownProcessId);
    const HandleEntry* entry = FindHandle(handle, HandleKind::Process);
    return entry ? FindProcess(entry->objectId) : nullptr;
}

SimThread* State::ThreadOf(Handle handle) {
    const HandleEntry* entry = FindHandle(handle, HandleKind::Thread);
    return entry ? FindThread(entry->objectId) : nullptr;
}

SimProcess* State::FindProcess(uint32_t processId) {
    auto it = processes.find(processId);
    return it == processes.end() ? nullptr : &it->second;
}

SimThread* State::FindThread(uint32_t threadId) {
    auto it = threads.find(threadId);
    return it == threads.end() ? nullptr : &it->second;
}

SimProcess& State::RequireProcess(uint32_t processId) {
    SimProcess* process = FindProcess(processId);
    if (process == nullptr || process->own) throw std::invalid_argument("no such simulated process");
    return *process;
}

SimThread& State::RequireThread(uint32_t threadId) {
    SimThread* thread = FindThread(threadId);
    if (thread == nullptr) throw std::invalid_argument("no such simulated thread");
    return *thread;
}

}  // namespace detail

Handle SimMachine::OpenProcess(uint32_t /*access*/, uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* process = m_state->FindProcess(processId);
    if (process == nullptr || !process->alive) {
        detail::SetLastError(detail::kErrorInvalidParameter);
        return kNullHandle;
    }
    if (m_state->TakeFailure(FailingCall::OpenProcess, processId)) return kNullHandle;
    return m_state->AddHandle(detail::HandleEntry{detail::HandleKind::Process, processId, nullptr, nullptr});
}

Handle SimMachine::OpenThread(uint32_t /*access*/, uint32_t threadId) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimThread* thread = m_state->FindThread(threadId);
    if (thread == nullptr || !thread->alive) {
        detail::SetLastError(detail::kErrorInvalidParameter);
        return kNullHandle;
    }
    if (m_state->TakeFailure(FailingCall::OpenThread, threadId)) return kNullHandle;
    return m_state->AddHandle(detail::HandleEntry{detail::HandleKind::Thread, threadId, nullptr, nullptr});
}

bool SimMachine::CloseHandle(Handle handle) {
    // Closing a pseudo-handle is allowed and does nothing.
    if (handle == kCurrentProcessPseudo || handle == kCurrentThreadPseudo) return true;
    std::lock_guard lock(m_state->mutex);
    if (m_state->handles.erase(handle) == 1) return true;
    detail::SetLastError(detail::kErrorInvalidHandle);
    return false;
}

size_t SimMachine::OpenHandleCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->handles.size();
}

Handle SimMachine::GetCurrentProcess() { return kCurrentProcessPseudo; }

uint32_t SimMachine::GetCurrentProcessId() {
    std::lock_guard lock(m_state->mutex);
    return m_state->ownProcessId;
}

uint32_t SimMachine::GetCurrentThreadId() {
    std::lock_guard lock(m_state->mutex);
    auto [it, added] = m_state->hostThreadIds.try_emplace(std::this_thread::get_id(), m_state->nextHostThreadId);
    if (added) m_state->nextHostThreadId += 4;
    return it->second;
}

uint32_t SimMachine::GetProcessId(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = m_state->ProcessOf(process);
    return found ? found->id : 0;
}

uint32_t SimMachine::WaitForSingleObject(Handle object, uint32_t milliseconds) {
    std::unique_lock lock(m_state->mutex);
    auto it = m_state->handles.find(object);
    if (object == kCurrentProcessPseudo) return kWaitTimeout;
    if (it == m_state->handles.end()) return kWaitFailed;
    const detail::HandleEntry entry = it->second;
    auto signalled = [&] {
        if (entry.kind == detail::HandleKind::Process) return !m_state->FindProcess(entry.objectId)->alive;
        if (entry.kind == detail::HandleKind::Thread) return !m_state->FindThread(entry.objectId)->alive;
        return true;
    };
    if (signalled()) return kWaitObject0;
    if (milliseconds != kInfinite) {
        // Virtual time: the wait is over at once.
        m_state->virtualMs += milliseconds;
        m_state->NotifyChange();
        return kWaitTimeout;
    }
    // Only another thread of the test can end the object; wait for it.
    m_state->changed.wait(lock, signalled);
    return kWaitObject0;
}

}  // namespace qv::sim
