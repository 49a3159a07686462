// Construction of the machine and the small calls that only record state:
// privileges, the symbol handler, sleeps and the test's waits.
#include "platform/sim/SimMachine.h"

#include <chrono>

#include "platform/sim/SimState.h"

namespace qv::sim {

SimMachine::SimMachine(std::filesystem::path hostRoot) : m_state(std::make_unique<State>()) {
    m_state->hostRoot = std::move(hostRoot);
    const uint32_t ownId = m_state->NewObjectId();
    detail::SimProcess& own = m_state->processes[ownId];
    own.id = ownId;
    own.own = true;
    own.imageName = "quorvane.exe";
    m_state->ownProcessId = ownId;
    detail::AddSystemModules(*m_state);
    detail::InitClock(*m_state);
}

SimMachine::~SimMachine() = default;

bool SimMachine::AdjustDebugPrivilege(Handle process, bool enable) {
    std::lock_guard lock(m_state->mutex);
    if (m_state->ProcessOf(process) == nullptr) return false;
    m_state->debugPrivilege = enable;
    return true;
}

bool SimMachine::SymInitialize(Handle process, bool /*invadeProcess*/) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr || !found->alive) return false;
    found->symInitialized = true;
    return true;
}

bool SimMachine::SymCleanup(Handle process) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr || !found->symInitialized) return false;
    found->symInitialized = false;
    return true;
}

void SimMachine::SleepEx(uint32_t milliseconds, bool /*alertable*/) {
    if (milliseconds > 0) AdvanceClock(milliseconds);
    std::this_thread::yield();
}

void SimMachine::RunUntilIdle(uint32_t processId, uint64_t maxSteps) {
    std::lock_guard lock(m_state->mutex);
    m_state->RequireProcess(processId);
    m_state->RunRounds({processId}, maxSteps);
}

void SimMachine::WaitForChange(uint32_t realMilliseconds) const {
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait_for(lock, std::chrono::milliseconds(realMilliseconds));
}

bool SimMachine::IsBeingDebugged(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireProcess(processId).debugger.has_value();
}

bool SimMachine::DebugPrivilegeEnabled() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->debugPrivilege;
}

bool SimMachine::KillOnExit() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->killOnExit;
}

bool SimMachine::SymbolHandlerActive(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->RequireProcess(processId).symInitialized;
}

uint64_t SimMachine::BreakInAddress() { return detail::kBreakInAddress; }

uint64_t SimMachine::ThreadHomeAddress() { return detail::kThreadHomeAddress; }

}  // namespace qv::sim
