// Target memory through process handles (ReadProcessMemory and
// WriteProcessMemory, honouring protections) and the test's own raw view of
// it. The own process is real host memory: reads are probed first, writes
// refused (the tool never patches itself).
#include <cstring>
#include <stdexcept>

#include "platform/sim/SimState.h"

namespace qv::sim {

bool SimMachine::ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;
    bool own = false;
    {
        std::lock_guard lock(m_state->mutex);
        const detail::SimProcess* found = m_state->ProcessOf(process);
        if (found == nullptr || !found->alive || m_state->TakeFailure(FailingCall::ReadProcessMemory, found->id)) {
            return false;
        }
        own = found->own;
        if (!own) return found->memory.Read(address, buffer, size);
    }
    const auto* source = reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
    if (!own || !IsReadableOwnMemory(source, size)) return false;
    std::memcpy(buffer, source, size);
    return true;
}

bool SimMachine::WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr || !found->alive || found->own) return false;
    if (m_state->TakeFailure(FailingCall::WriteProcessMemory, found->id)) return false;
    return found->memory.Write(address, buffer, size);
}

void SimMachine::MapMemory(uint32_t processId, uint64_t address, uint64_t size, Protection protection) {
    std::lock_guard lock(m_state->mutex);
    m_state->RequireProcess(processId).memory.Map(address, size, protection);
}

void SimMachine::Protect(uint32_t processId, uint64_t address, uint64_t size, Protection protection) {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->RequireProcess(processId).memory.Protect(address, size, protection)) {
        throw std::invalid_argument("range not mapped");
    }
}

void SimMachine::PokeMemory(uint32_t processId, uint64_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(m_state->mutex);
    if (bytes.empty()) return;
    if (!m_state->RequireProcess(processId).memory.WriteRaw(address, bytes.data(), bytes.size())) {
        throw std::invalid_argument("range not mapped");
    }
}

std::vector<uint8_t> SimMachine::PeekMemory(uint32_t processId, uint64_t address, uint64_t size) const {
    std::lock_guard lock(m_state->mutex);
    std::vector<uint8_t> bytes(size);
    if (!m_state->RequireProcess(processId).memory.ReadRaw(address, bytes.data(), bytes.size())) return {};
    return bytes;
}

}  // namespace qv::sim
