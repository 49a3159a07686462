// Instruction boundaries of scripted code: lengths the test gives, one byte
// per instruction elsewhere.
#include <stdexcept>

#include "platform/sim/SimState.h"

namespace qv::sim {

void SimMachine::DefineInstructions(uint32_t processId, uint64_t address, const std::vector<uint8_t>& lengths) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess& process = m_state->RequireProcess(processId);
    for (const uint8_t length : lengths) {
        if (length == 0) throw std::invalid_argument("an instruction is at least one byte");
        process.instructionLengths[address] = length;
        address += length;
    }
}

}  // namespace qv::sim

namespace qv::sim::detail {

uint8_t State::InstructionLength(const SimProcess& process, uint64_t address) {
    const auto found = process.instructionLengths.find(address);
    return found == process.instructionLengths.end() ? 1 : found->second;
}

uint64_t State::InstructionAfter(const SimProcess& process, uint64_t address, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) address += InstructionLength(process, address);
    return address;
}

}  // namespace qv::sim::detail
