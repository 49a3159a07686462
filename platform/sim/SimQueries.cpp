// What the snapshot and process-status calls report of processes, threads
// and modules.
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

constexpr int32_t kNormalPriority = 8;

// The name and path of the module at base (0: the main image).
std::optional<std::pair<std::string, std::string>> ModuleNames(detail::State& state, Handle process, uint64_t base,
                                                              FailingCall call) {
    const detail::SimProcess* found = state.ProcessOf(process);
    if (found == nullptr || !found->alive || state.TakeFailure(call, found->id)) return std::nullopt;
    if (found->own) {
        for (const detail::OwnModule& module : state.ownModules) {
            if (module.Base() == base) return std::make_pair(module.name, module.windowsPath);
        }
        return std::nullopt;
    }
    for (const detail::SimModule& module : found->modules) {
        if (module.base == base || base == 0) return std::make_pair(module.name, module.windowsPath);
    }
    return std::nullopt;
}

}  // namespace

std::vector<uint32_t> SimMachine::ThreadIds(uint32_t processId) const {
    std::lock_guard lock(m_state->mutex);
    std::vector<uint32_t> ids;
    for (uint32_t id : m_state->RequireProcess(processId).threads) {
        if (m_state->threads.at(id).alive) ids.push_back(id);
    }
    return ids;
}

std::optional<std::vector<ThreadEntry>> SimMachine::SnapshotThreads(uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* requested = m_state->FindProcess(processId);
    if (processId != 0 && (requested == nullptr || !requested->alive)) return std::nullopt;
    if (m_state->TakeFailure(FailingCall::SnapshotThreads, processId)) return std::nullopt;
    // The threads of the given process; 0 lists every thread of the machine
    // as the system snapshot does (callers filter by owner either way).
    std::vector<ThreadEntry> entries;
    for (const auto& [id, thread] : m_state->threads) {
        if (thread.alive && (processId == 0 || thread.processId == processId)) {
            entries.push_back(ThreadEntry{id, thread.processId, kNormalPriority});
        }
    }
    if (processId == 0 || processId == m_state->ownProcessId) {
        for (const auto& [hostId, id] : m_state->hostThreadIds) {
            entries.push_back(ThreadEntry{id, m_state->ownProcessId, kNormalPriority});
        }
    }
    return entries;
}

std::optional<std::vector<ModuleEntry>> SimMachine::SnapshotModules(uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    std::vector<ModuleEntry> entries;
    if (processId == 0 || processId == m_state->ownProcessId) {
        for (const detail::OwnModule& module : m_state->ownModules) {
            entries.push_back(ModuleEntry{module.Base(), module.size, module.name, module.windowsPath});
        }
        return entries;
    }
    const detail::SimProcess* process = m_state->FindProcess(processId);
    if (process == nullptr || !process->alive) return std::nullopt;
    for (const detail::SimModule& module : process->modules) {
        entries.push_back(ModuleEntry{module.base, module.size, module.name, module.windowsPath});
    }
    return entries;
}

std::optional<std::vector<uint32_t>> SimMachine::EnumProcesses() {
    std::lock_guard lock(m_state->mutex);
    if (m_state->TakeFailure(FailingCall::EnumProcesses, 0)) return std::nullopt;
    std::vector<uint32_t> ids;
    for (const auto& [id, process] : m_state->processes) {
        if (process.alive) ids.push_back(id);
    }
    return ids;
}

std::optional<std::vector<uint64_t>> SimMachine::EnumProcessModules(Handle process) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr || !found->alive || m_state->TakeFailure(FailingCall::EnumProcessModules, found->id)) {
        return std::nullopt;
    }
    // A process without an image is one whose modules can't be listed (as
    // the system's own processes).
    if (!found->own && found->modules.empty()) return std::nullopt;
    std::vector<uint64_t> bases;
    if (found->own) {
        for (const detail::OwnModule& module : m_state->ownModules) bases.push_back(module.Base());
    } else {
        for (const detail::SimModule& module : found->modules) bases.push_back(module.base);
    }
    return bases;
}

std::optional<std::string> SimMachine::GetModuleBaseName(Handle process, uint64_t module) {
    std::lock_guard lock(m_state->mutex);
    const auto names = ModuleNames(*m_state, process, module, FailingCall::GetModuleBaseName);
    if (!names) return std::nullopt;
    return names->first;
}

std::optional<std::string> SimMachine::GetModuleFileNameEx(Handle process, uint64_t module) {
    std::lock_guard lock(m_state->mutex);
    const auto names = ModuleNames(*m_state, process, module, FailingCall::GetModuleFileNameEx);
    if (!names) return std::nullopt;
    return names->second;
}

}  // namespace qv::sim
