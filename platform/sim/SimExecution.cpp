// Scripted execution. A thread's script is a queue of calls; each call is
// worked through in steps: enter (push the arguments and the return
// address, jump), execute the first instruction, run the nested calls,
// return (set Rax, pop the return address), execute the instruction at the
// return address (which also drops the arguments, as the caller would).
// Instructions have the lengths the test defined, one byte elsewhere. An
// instruction that is 0xCC raises a breakpoint with Rip after it; an
// instruction run with the trap flag set raises a single step at the next
// address; an instruction in an unmapped or no-access page raises an
// access violation and stays put. A thread whose Rip is not where its
// script's next instruction starts raises an illegal instruction there.
#include "platform/sim/SimState.h"

namespace qv::sim::detail {

namespace {

constexpr uint8_t kInt3 = 0xCC;

// The trap flag makes the instruction just run end in a single step.
bool TakeTrap(State& state, SimThread& thread, bool trapWasSet) {
    if (!trapWasSet) return false;
    thread.context.EFlags &= ~kTrapFlag;
    state.RaiseException(thread, kExceptionSingleStep, thread.context.Rip, true);
    return true;
}

bool TrapSet(const SimThread& thread) { return (thread.context.EFlags & kTrapFlag) != 0; }

bool Runnable(const State& state, const SimThread& thread) {
    if (!thread.alive || thread.suspendCount > 0 || thread.raised || !thread.HasWork()) return false;
    const SimProcess& process = state.processes.at(thread.processId);
    return process.alive && !process.awaitingContinue;
}

}  // namespace

void State::FinishInstruction(SimThread& thread) {
    Frame& frame = thread.frames.back();
    if (frame.stage == Stage::ExecuteEntry) {
        frame.stage = Stage::Nested;
        ++thread.stats.callsEntered;
    } else if (frame.stage == Stage::ExecuteReturn) {
        // The caller takes its arguments back off the stack after the call.
        thread.context.Rsp += 8 * frame.call.args.size();
        thread.frames.pop_back();
        NotifyChange();
    }
}

void State::Step(SimThread& thread) {
    SimProcess& process = processes.at(thread.processId);
    ThreadContext& context = thread.context;
    if (thread.frames.empty()) {
        Frame frame;
        frame.call = std::move(thread.script.front());
        thread.script.pop_front();
        frame.returnAddress = frame.call.returnAddress ? frame.call.returnAddress : kThreadHomeAddress;
        thread.frames.push_back(std::move(frame));
    }
    for (;;) {
        Frame& frame = thread.frames.back();
        switch (frame.stage) {
            case Stage::Enter: {
                const bool trap = TrapSet(thread);
                for (auto it = frame.call.args.rbegin(); it != frame.call.args.rend(); ++it) {
                    context.Rsp -= 8;
                    process.memory.WriteRaw(context.Rsp, &*it, 8);
                }
                context.Rsp -= 8;
                process.memory.WriteRaw(context.Rsp, &frame.returnAddress, 8);
                context.Rip = frame.call.function;
                frame.stage = Stage::ExecuteEntry;
                TakeTrap(*this, thread, trap);
                return;
            }
            case Stage::Nested:
                if (frame.nextNested < frame.call.nested.size()) {
                    Frame child;
                    child.call = frame.call.nested[frame.nextNested];
                    child.returnAddress = child.call.returnAddress
                                              ? child.call.returnAddress
                                              : InstructionAfter(process, frame.call.function, 1 + frame.nextNested);
                    ++frame.nextNested;
                    thread.frames.push_back(std::move(child));
                } else {
                    frame.stage = Stage::Return;
                }
                continue;
            case Stage::Return: {
                const bool trap = TrapSet(thread);
                uint64_t target = 0;
                process.memory.ReadRaw(context.Rsp, &target, 8);
                context.Rsp += 8;
                context.Rax = frame.call.returnValue;
                context.Rip = target;
                ++thread.stats.callsReturned;
                frame.stage = Stage::ExecuteReturn;
                TakeTrap(*this, thread, trap);
                return;
            }
            case Stage::ExecuteEntry:
            case Stage::ExecuteReturn: {
                const uint64_t address = context.Rip;
                const uint64_t expected = frame.stage == Stage::ExecuteEntry ? frame.call.function : frame.returnAddress;
                if (address != expected) {
                    ++thread.stats.misplacedResumes;
                    RaiseException(thread, kExceptionIllegalInstruction, address, true);
                    return;
                }
                const auto protection = process.memory.ProtectionAt(address);
                uint8_t code = 0;
                if (!protection || *protection == Protection::NoAccess ||
                    !process.memory.ReadRaw(address, &code, 1)) {
                    RaiseException(thread, kExceptionAccessViolation, address, true);
                    return;
                }
                if (code == kInt3) {
                    context.Rip = address + 1;
                    RaiseException(thread, kExceptionBreakpoint, address, true);
                    return;
                }
                const bool trap = TrapSet(thread);
                context.Rip = address + InstructionLength(process, address);
                FinishInstruction(thread);
                TakeTrap(*this, thread, trap);
                return;
            }
        }
    }
}

bool State::HasEventFor(const std::set<uint32_t>& processIds) const {
    for (const DebugEvent& event : events) {
        if (processIds.count(event.dwProcessId)) return true;
    }
    return false;
}

void State::RunRounds(const std::set<uint32_t>& processIds, uint64_t maxSteps) {
    uint64_t steps = 0;
    while (steps < maxSteps && !HasEventFor(processIds)) {
        // One round: every runnable thread one step, in thread-id order.
        // Events raised in the round don't stop the rest of it, so two
        // threads can hit one breakpoint together.
        std::vector<uint32_t> round;
        for (const auto& [id, thread] : threads) {
            if (processIds.count(thread.processId) && Runnable(*this, thread)) round.push_back(id);
        }
        if (round.empty()) break;
        for (uint32_t id : round) {
            SimThread& thread = threads.at(id);
            if (!thread.alive || !processes.at(thread.processId).alive) continue;
            Step(thread);
            if (++steps >= maxSteps) break;
        }
    }
}

}  // namespace qv::sim::detail
