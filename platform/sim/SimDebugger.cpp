// The debugging interface. One event is reported at a time: after Wait hands
// out an event, its process is frozen until that event is continued. Threads
// run only when the debugger waits and nothing is queued (see
// SimExecution.cpp). An idle wait moves the virtual clock by its time-out.
//
// Simplifications, documented here once:
// - the attach break-in thread ends after its breakpoint is continued,
//   whatever the status (its system handler deals with the exception);
// - the kill-on-exit flag is recorded but the debugger's end never kills;
// - a detach drops undelivered events; a thread stopped at a breakpoint
//   resumes as after DBG_CONTINUE.
#include <algorithm>

#include "platform/sim/SimLastError.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

namespace {

std::set<uint32_t> ProcessesDebuggedBy(const State& state, std::thread::id debugger) {
    std::set<uint32_t> ids;
    for (const auto& [id, process] : state.processes) {
        if (process.debugger == debugger) ids.insert(id);
    }
    return ids;
}

}  // namespace

void State::QueueEvent(const DebugEvent& event) {
    events.push_back(event);
    NotifyChange();
}

void State::RaiseException(SimThread& thread, uint32_t code, uint64_t address, bool firstChance) {
    SimProcess& process = processes.at(thread.processId);
    if (!IsDebugged(process)) {
        // Nobody handles it: the process dies with the exception's code.
        EndProcess(process, code);
        return;
    }
    thread.raised = RaisedException{code, address, firstChance};
    DebugEvent event = MakeEvent(kExceptionDebugEvent, process.id, thread.id);
    event.ExceptionCode = code;
    event.ExceptionAddress = address;
    event.dwFirstChance = firstChance ? 1 : 0;
    QueueEvent(event);
}

void State::DropEvents(uint32_t processId, bool exceptionsOnly) {
    auto dropped = [&](const DebugEvent& event) {
        return event.dwProcessId == processId &&
               (!exceptionsOnly || event.dwDebugEventCode == kExceptionDebugEvent);
    };
    for (const DebugEvent& event : events) {
        if (dropped(event) && event.hFile != kNullHandle) handles.erase(event.hFile);
    }
    events.erase(std::remove_if(events.begin(), events.end(), dropped), events.end());
}

void State::ContinueException(SimThread& thread, bool handled) {
    const RaisedException raised = *thread.raised;
    if (thread.breakIn) {
        thread.raised.reset();
        EndThread(thread, 0);
        return;
    }
    if (!handled) {
        if (raised.firstChance) {
            thread.raised.reset();
            RaiseException(thread, raised.code, raised.address, false);
        } else {
            EndProcess(processes.at(thread.processId), raised.code);
        }
        return;
    }
    thread.raised.reset();
    // Rip left after an int3 that is still in place: the int3 was the
    // instruction, and the thread goes on after it. Anything else (Rip
    // rewound to the breakpoint, a faulting instruction, Rip left after a
    // byte the debugger put back) resumes at Rip, where execution checks it.
    uint8_t code = 0;
    if (raised.code == kExceptionBreakpoint && thread.context.Rip == raised.address + 1 && !thread.frames.empty() &&
        processes.at(thread.processId).memory.ReadRaw(raised.address, &code, 1) && code == 0xCC) {
        FinishInstruction(thread);
    }
}

}  // namespace detail

bool SimMachine::DebugActiveProcess(uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* process = m_state->FindProcess(processId);
    if (processId == 0 || process == nullptr || !process->alive) {
        detail::SetLastError(detail::kErrorInvalidParameter);
        return false;
    }
    if (process->own || process->debugger || process->debuggedByOther) {
        detail::SetLastError(detail::kErrorAccessDenied);
        return false;
    }
    process->debugger = std::this_thread::get_id();
    const detail::SimThread* main = m_state->MainThread(*process);
    const uint32_t mainId = main ? main->id : 0;

    DebugEvent created = detail::MakeEvent(kCreateProcessDebugEvent, processId, mainId);
    if (!process->modules.empty()) {
        const detail::SimModule& image = process->modules.front();
        created.hFile = m_state->OpenFile({image.windowsPath, image.hostPath});
        created.lpBaseOfImage = image.base;
    }
    created.lpStartAddress = process->entryAddress;
    m_state->QueueEvent(created);
    for (uint32_t id : process->threads) {
        const detail::SimThread& thread = m_state->threads.at(id);
        if (id == mainId || !thread.alive) continue;
        DebugEvent event = detail::MakeEvent(kCreateThreadDebugEvent, processId, id);
        event.lpStartAddress = thread.startAddress;
        m_state->QueueEvent(event);
    }
    for (size_t i = 1; i < process->modules.size(); ++i) {
        const detail::SimModule& module = process->modules[i];
        DebugEvent event = detail::MakeEvent(kLoadDllDebugEvent, processId, mainId);
        event.hFile = m_state->OpenFile({module.windowsPath, module.hostPath});
        event.lpBaseOfImage = module.base;
        m_state->QueueEvent(event);
    }
    // The break-in: a new thread that executes the system's int3.
    detail::SimThread& breakIn = m_state->NewThread(*process);
    breakIn.breakIn = true;
    breakIn.startAddress = detail::kBreakInStart;
    DebugEvent started = detail::MakeEvent(kCreateThreadDebugEvent, processId, breakIn.id);
    started.lpStartAddress = breakIn.startAddress;
    m_state->QueueEvent(started);
    breakIn.context.Rip = detail::kBreakInAddress + 1;
    m_state->RaiseException(breakIn, kExceptionBreakpoint, detail::kBreakInAddress, true);
    return true;
}

bool SimMachine::DebugActiveProcessStop(uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* process = m_state->FindProcess(processId);
    if (process == nullptr || process->debugger != std::this_thread::get_id()) return false;
    m_state->DropEvents(processId, false);
    process->awaitingContinue.reset();
    process->debugger.reset();
    for (uint32_t id : process->threads) {
        detail::SimThread& thread = m_state->threads.at(id);
        if (thread.alive && thread.raised) m_state->ContinueException(thread, true);
    }
    m_state->NotifyChange();
    return true;
}

bool SimMachine::DebugSetProcessKillOnExit(bool killOnExit) {
    std::lock_guard lock(m_state->mutex);
    m_state->killOnExit = killOnExit;
    return true;
}

bool SimMachine::WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) {
    std::unique_lock lock(m_state->mutex);
    const std::thread::id me = std::this_thread::get_id();
    for (;;) {
        const std::set<uint32_t> mine = detail::ProcessesDebuggedBy(*m_state, me);
        const bool waitingForContinue = std::any_of(mine.begin(), mine.end(), [&](uint32_t id) {
            return m_state->processes.at(id).awaitingContinue.has_value();
        });
        if (!waitingForContinue) {
            m_state->RunRounds(mine, UINT64_MAX);
            auto it = std::find_if(m_state->events.begin(), m_state->events.end(),
                                   [&](const DebugEvent& queued) { return mine.count(queued.dwProcessId) > 0; });
            if (it != m_state->events.end()) {
                event = *it;
                m_state->events.erase(it);
                m_state->processes.at(event.dwProcessId).awaitingContinue = event;
                return true;
            }
        }
        if (milliseconds != kInfinite) break;
        // Only another thread of the test can make something happen now.
        m_state->changed.wait(lock);
    }
    m_state->virtualMs += milliseconds;
    m_state->NotifyChange();
    lock.unlock();
    std::this_thread::yield();
    return false;
}

bool SimMachine::ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) {
    if (status != kDbgContinue && status != kDbgExceptionNotHandled) return false;
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess* process = m_state->FindProcess(processId);
    if (process == nullptr || process->debugger != std::this_thread::get_id() || !process->awaitingContinue ||
        process->awaitingContinue->dwThreadId != threadId) {
        return false;
    }
    const DebugEvent event = *process->awaitingContinue;
    process->awaitingContinue.reset();
    detail::SimThread* thread = m_state->FindThread(threadId);
    if (event.dwDebugEventCode == kExceptionDebugEvent && thread != nullptr && thread->alive && thread->raised) {
        m_state->ContinueException(*thread, status == kDbgContinue);
    } else if (event.dwDebugEventCode == kExitProcessDebugEvent) {
        // The debugger lets go of a process once its exit was reported.
        process->debugger.reset();
    }
    m_state->NotifyChange();
    return true;
}

}  // namespace qv::sim
