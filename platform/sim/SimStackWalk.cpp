// The stack walker. The machine knows every scripted call a thread has
// entered and not yet left, and where each one's return address lies on the
// stack: that is the unwind data the walk follows, one frame per call from
// the innermost outwards, as the real walker follows the images' function
// tables. Below the outermost call lies the thread's home in the system
// code; it is reported as the last frame, and the walk cannot go past it.
#include <optional>
#include <vector>

#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

// The frame record's first reserved field marks a walk that has begun.
constexpr uint64_t kWalkStarted = 1;

// The stack addresses that hold the return addresses of the calls the
// thread is inside, innermost first. A call keeps no registers of its own
// on the stack, so each caller's slot lies just above its callee's
// arguments.
std::vector<uint64_t> ReturnSlots(const detail::SimThread& thread) {
    std::vector<uint64_t> slots;
    uint64_t slot = thread.context.Rsp;
    const detail::Frame* inner = nullptr;
    for (auto frame = thread.frames.rbegin(); frame != thread.frames.rend(); ++frame) {
        // Not yet entered, or already returned: the thread stands in the
        // caller, a returned call's arguments still on the stack.
        if (frame->stage == detail::Stage::Enter) continue;
        if (frame->stage == detail::Stage::ExecuteReturn) {
            slot += 8 * frame->call.args.size();
            continue;
        }
        if (inner != nullptr) slot += 8 * (1 + inner->call.args.size());
        slots.push_back(slot);
        inner = &*frame;
    }
    return slots;
}

// The slot of the call whose body the context stands in: the innermost
// one at or above its stack pointer.
std::optional<uint64_t> SlotFor(const std::vector<uint64_t>& slots, uint64_t stackPointer) {
    for (const uint64_t slot : slots) {
        if (slot >= stackPointer) return slot;
    }
    return std::nullopt;
}

}  // namespace

bool SimMachine::StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                             ThreadContext& context) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* owner = m_state->ProcessOf(process);
    const detail::SimThread* walked = m_state->ThreadOf(thread);
    if (machineType != kImageFileMachineAmd64 || owner == nullptr || walked == nullptr || !owner->alive ||
        !walked->alive || walked->processId != owner->id || !owner->symInitialized) {
        return false;
    }
    const std::vector<uint64_t> slots = ReturnSlots(*walked);
    if (frame.Reserved[0] == kWalkStarted) {
        const auto slot = SlotFor(slots, context.Rsp);
        uint64_t returnAddress = 0;
        if (!slot || !owner->memory.Read(*slot, &returnAddress, sizeof returnAddress)) return false;
        context.Rip = returnAddress;
        context.Rsp = *slot + 8;
    }
    frame.Reserved[0] = kWalkStarted;
    frame.AddrPC = context.Rip;
    frame.AddrStack = context.Rsp;
    const auto slot = SlotFor(slots, context.Rsp);
    frame.AddrReturn = 0;
    if (slot) owner->memory.Read(*slot, &frame.AddrReturn, sizeof frame.AddrReturn);
    // Where the frame's saved frame pointer would lie; the home frame has
    // its stack pointer there.
    frame.AddrFrame = slot ? *slot - 8 : context.Rsp;
    return true;
}

}  // namespace qv::sim
