// ReadProcessMemory / WriteProcessMemory through process handles. The own
// process is real host memory: reads are probed first, writes refused (the
// tool never patches itself).
#include <cstring>

#include "platform/sim/SimState.h"

namespace qv::sim {

bool SimMachine::ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;
    bool own = false;
    {
        std::lock_guard lock(m_state->mutex);
        const detail::SimProcess* found = m_state->ProcessOf(process);
        if (found == nullptr || !found->alive) return false;
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
    return found->memory.Write(address, buffer, size);
}

}  // namespace qv::sim
