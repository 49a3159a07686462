// Processes, threads and the images mapped into them, as the test builds
// them: creation, exits, module loads and unloads.
#include <stdexcept>

#include "base/AsciiText.h"
#include "platform/sim/SimPeImage.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

namespace {

constexpr uint8_t kNop = 0x90;
constexpr uint8_t kInt3 = 0xCC;
constexpr uint8_t kRet = 0xC3;
constexpr uint32_t kInitialEFlags = 0x202;
constexpr uint64_t kRelocationStep = 0x10000;

uint64_t PageAlignedSize(uint64_t size) { return (size + kPageSize - 1) / kPageSize * kPageSize; }

}  // namespace

const SimThread* State::MainThread(const SimProcess& process) const {
    for (uint32_t id : process.threads) {
        const SimThread& thread = threads.at(id);
        if (thread.alive && !thread.breakIn) return &thread;
    }
    return nullptr;
}

SimProcess& State::NewProcess(std::string imageName, std::string imagePath) {
    const uint32_t id = NewObjectId();
    SimProcess& process = processes[id];
    process.id = id;
    process.imageName = std::move(imageName);
    process.imagePath = std::move(imagePath);
    // The system code region: thread start (nops) and the attach break-in
    // (int3; ret), shared by every thread of the process.
    process.memory.Map(kSystemCodeBase, kSystemCodeSize, Protection::ExecuteRead);
    const std::vector<uint8_t> nops(kSystemCodeSize, kNop);
    process.memory.WriteRaw(kSystemCodeBase, nops.data(), nops.size());
    const uint8_t breakIn[] = {kInt3, kRet};
    process.memory.WriteRaw(kBreakInAddress, breakIn, sizeof breakIn);
    return process;
}

SimThread& State::NewThread(SimProcess& process) {
    const uint32_t id = NewObjectId();
    SimThread& thread = threads[id];
    thread.id = id;
    thread.processId = process.id;
    const uint32_t slot = process.threadSlots++;
    thread.stackLimit = kStackRegionBase + uint64_t{slot} * kStackSpacing;
    thread.stackBase = thread.stackLimit + kStackSize;
    process.memory.Map(thread.stackLimit, kStackSize, Protection::ReadWrite);
    thread.teb = kTebRegionBase + uint64_t{slot} * kTebSpacing;
    process.memory.Map(thread.teb, kPageSize, Protection::ReadWrite);
    // NT_TIB: StackBase at +8, StackLimit at +16, Self at +0x30; then the
    // client id (process, thread).
    const uint64_t tib[] = {0, thread.stackBase, thread.stackLimit, 0, 0, 0, thread.teb, 0, process.id, id};
    process.memory.WriteRaw(thread.teb, tib, sizeof tib);
    thread.startAddress = kThreadHomeAddress;
    thread.context.ContextFlags = kContextAll;
    thread.context.EFlags = kInitialEFlags;
    thread.context.Rsp = thread.stackBase - 0x108;
    thread.context.Rip = kThreadHomeAddress;
    process.threads.push_back(id);
    return thread;
}

uint64_t State::MapImage(SimProcess& process, const ResolvedPath& path, uint64_t base, SimModule& module) {
    const auto bytes = ReadWholeFile(path.hostPath.string());
    if (!bytes) throw std::invalid_argument("image file not found: " + path.windowsPath);
    const ByteView file(bytes->data(), bytes->size());
    const auto image = ParsePeImage(file);
    if (!image) throw std::invalid_argument("not a PE32+ image: " + path.windowsPath);
    const uint64_t span = PageAlignedSize(image->sizeOfImage);
    if (base == 0) {
        // Relocate past whatever occupies the preferred base.
        base = image->imageBase;
        while (!process.memory.IsRangeFree(base, span)) base += kRelocationStep;
    } else if (!process.memory.IsRangeFree(base, span)) {
        throw std::invalid_argument("image range already mapped: " + path.windowsPath);
    }
    const std::vector<uint8_t> loaded = LoadedLayout(file, *image);
    process.memory.Map(base, span, Protection::ReadOnly);
    process.memory.WriteRaw(base, loaded.data(), loaded.size());
    for (const PeSection& section : image->sections) {
        const uint64_t size = PageAlignedSize(std::max(section.virtualSize, section.rawSize));
        if (size == 0 || section.virtualAddress >= span) continue;
        const uint64_t start = section.virtualAddress / kPageSize * kPageSize;
        process.memory.Protect(base + start, std::min(size, span - start), SectionProtection(section.characteristics));
    }
    module.name = std::string(PathFileName(path.windowsPath));
    module.windowsPath = path.windowsPath;
    module.hostPath = path.hostPath;
    module.base = base;
    module.size = image->sizeOfImage;
    return base + image->entryPoint;
}

void State::EndThread(SimThread& thread, uint32_t exitCode) {
    if (!thread.alive) return;
    thread.alive = false;
    thread.exitCode = exitCode;
    thread.raised.reset();
    SimProcess& process = processes.at(thread.processId);
    if (IsDebugged(process) && process.alive) {
        DebugEvent event = MakeEvent(kExitThreadDebugEvent, process.id, thread.id);
        event.dwExitCode = exitCode;
        QueueEvent(event);
    }
    NotifyChange();
}

void State::EndProcess(SimProcess& process, uint32_t exitCode) {
    if (!process.alive) return;
    DropEvents(process.id, true);
    const SimThread* main = MainThread(process);
    const uint32_t lastThread = main ? main->id : 0;
    for (uint32_t id : process.threads) {
        if (id != lastThread) EndThread(threads.at(id), exitCode);
    }
    if (main != nullptr) {
        SimThread& last = threads.at(lastThread);
        last.alive = false;
        last.exitCode = exitCode;
        last.raised.reset();
    }
    process.alive = false;
    process.exitCode = exitCode;
    if (IsDebugged(process)) {
        DebugEvent event = MakeEvent(kExitProcessDebugEvent, process.id, lastThread);
        event.dwExitCode = exitCode;
        QueueEvent(event);
    }
    NotifyChange();
}

}  // namespace detail

uint32_t SimMachine::CreateProcess(const std::string& imagePath, uint64_t imageBase) {
    std::lock_guard lock(m_state->mutex);
    const detail::ResolvedPath path = m_state->Resolve(imagePath);
    detail::SimModule module;
    detail::SimProcess& process = m_state->NewProcess(std::string(PathFileName(path.windowsPath)), path.windowsPath);
    try {
        process.entryAddress = m_state->MapImage(process, path, imageBase, module);
    } catch (...) {
        m_state->processes.erase(process.id);
        throw;
    }
    process.modules.push_back(module);
    m_state->NewThread(process);
    return process.id;
}

uint32_t SimMachine::CreateBareProcess(const std::string& imageName) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess& process = m_state->NewProcess(imageName, "");
    m_state->NewThread(process);
    return process.id;
}

uint32_t SimMachine::CreateThread(uint32_t processId) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess& process = m_state->RequireProcess(processId);
    if (!process.alive) throw std::invalid_argument("process has exited");
    detail::SimThread& thread = m_state->NewThread(process);
    if (m_state->IsDebugged(process)) {
        DebugEvent event = detail::MakeEvent(kCreateThreadDebugEvent, processId, thread.id);
        event.lpStartAddress = thread.startAddress;
        m_state->QueueEvent(event);
    }
    m_state->NotifyChange();
    return thread.id;
}

void SimMachine::ExitThread(uint32_t threadId, uint32_t exitCode) {
    std::lock_guard lock(m_state->mutex);
    detail::SimThread& thread = m_state->RequireThread(threadId);
    detail::SimProcess& process = m_state->processes.at(thread.processId);
    if (m_state->MainThread(process) == &thread) {
        bool others = false;
        for (uint32_t id : process.threads) others |= id != threadId && m_state->threads.at(id).alive;
        // The last thread's exit ends the process.
        if (!others) {
            m_state->EndProcess(process, exitCode);
            return;
        }
    }
    m_state->EndThread(thread, exitCode);
}

void SimMachine::ExitProcess(uint32_t processId, uint32_t exitCode) {
    std::lock_guard lock(m_state->mutex);
    m_state->EndProcess(m_state->RequireProcess(processId), exitCode);
}

void SimMachine::SetDebuggedByOther(uint32_t processId, bool debugged) {
    std::lock_guard lock(m_state->mutex);
    m_state->RequireProcess(processId).debuggedByOther = debugged;
}

uint64_t SimMachine::LoadModule(uint32_t processId, const std::string& windowsPath, uint64_t base) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess& process = m_state->RequireProcess(processId);
    if (!process.alive) throw std::invalid_argument("process has exited");
    const detail::ResolvedPath path = m_state->Resolve(windowsPath);
    detail::SimModule module;
    m_state->MapImage(process, path, base, module);
    process.modules.push_back(module);
    if (m_state->IsDebugged(process)) {
        const detail::SimThread* main = m_state->MainThread(process);
        DebugEvent event = detail::MakeEvent(kLoadDllDebugEvent, processId, main ? main->id : 0);
        event.hFile = m_state->OpenFile(path);
        event.lpBaseOfImage = module.base;
        m_state->QueueEvent(event);
    }
    m_state->NotifyChange();
    return module.base;
}

void SimMachine::UnloadModule(uint32_t processId, uint64_t base) {
    std::lock_guard lock(m_state->mutex);
    detail::SimProcess& process = m_state->RequireProcess(processId);
    for (auto it = process.modules.begin(); it != process.modules.end(); ++it) {
        if (it->base != base) continue;
        process.memory.Unmap(base, detail::PageAlignedSize(it->size));
        process.modules.erase(it);
        if (m_state->IsDebugged(process)) {
            const detail::SimThread* main = m_state->MainThread(process);
            DebugEvent event = detail::MakeEvent(kUnloadDllDebugEvent, processId, main ? main->id : 0);
            event.lpBaseOfImage = base;
            m_state->QueueEvent(event);
        }
        m_state->NotifyChange();
        return;
    }
    throw std::invalid_argument("no module at that base");
}

}  // namespace qv::sim
