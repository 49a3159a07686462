// The tool's own process: modules in real host memory (loaded from PE files
// or synthesised for the system libraries), name and export lookups, the
// memory probe and the mapped-file names of views and modules.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "base/AsciiText.h"
#include "platform/sim/SimPeImage.h"
#include "platform/sim/SimState.h"
#include "platform/sim/SimSystemImage.h"

namespace qv::sim {

namespace {

constexpr const char* kKernelName = "KERNEL32.DLL";
constexpr const char* kDetachExport = "DebugActiveProcessStop";
constexpr uint64_t kProbeChunk = 4096;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// GetModuleHandle's match: the whole name, or the name without ".dll".
bool NameMatches(const std::string& moduleName, const std::string& wanted) {
    const std::string module = Lower(moduleName);
    const std::string name = Lower(wanted);
    return module == name || (name.find('.') == std::string::npos && module == name + ".dll");
}

}  // namespace

namespace detail {

void AddSystemModules(State& state) {
    auto add = [&](const std::string& name, std::vector<std::string> exports) {
        detail::OwnModule module;
        module.name = name;
        module.windowsPath = "C:\\Windows\\System32\\" + name;
        module.image = detail::BuildSystemImage(name, std::move(exports));
        module.size = detail::kSystemImageSize;
        state.ownModules.push_back(std::move(module));
    };
    add("ntdll.dll", {"NtQueryInformationThread", "DbgBreakPoint", "DbgUiRemoteBreakin"});
    add(kKernelName, {kDetachExport, "DebugActiveProcess", "DebugSetProcessKillOnExit", "WaitForDebugEvent",
                      "ContinueDebugEvent", "GetProcAddress", "GetModuleHandleA"});
}

}  // namespace detail

uint64_t SimMachine::LoadOwnModule(const std::string& windowsPath) {
    std::lock_guard lock(m_state->mutex);
    const detail::ResolvedPath path = m_state->Resolve(windowsPath);
    for (const detail::OwnModule& loaded : m_state->ownModules) {
        if (loaded.windowsPath == path.windowsPath) return loaded.Base();
    }
    const auto bytes = detail::ReadWholeFile(path.hostPath.string());
    if (!bytes) throw std::invalid_argument("image file not found: " + path.windowsPath);
    const ByteView file(bytes->data(), bytes->size());
    const auto image = detail::ParsePeImage(file);
    if (!image) throw std::invalid_argument("not a PE32+ image: " + path.windowsPath);
    const std::vector<uint8_t> layout = detail::LoadedLayout(file, *image);
    detail::OwnModule module;
    module.name = std::string(PathFileName(path.windowsPath));
    module.windowsPath = path.windowsPath;
    module.hostPath = path.hostPath;
    module.image = std::make_unique<uint8_t[]>(layout.size() + detail::kOwnModuleGap);
    std::copy(layout.begin(), layout.end(), module.image.get());
    module.size = static_cast<uint32_t>(layout.size());
    m_state->ownModules.push_back(std::move(module));
    return m_state->ownModules.back().Base();
}

void SimMachine::SetHasDebugActiveProcessStop(bool present) {
    std::lock_guard lock(m_state->mutex);
    m_state->hasDebugActiveProcessStop = present;
}

uint64_t SimMachine::GetModuleHandle(const char* moduleName) {
    if (moduleName == nullptr) return 0;
    std::lock_guard lock(m_state->mutex);
    for (const detail::OwnModule& module : m_state->ownModules) {
        if (NameMatches(module.name, moduleName)) return module.Base();
    }
    return 0;
}

uint64_t SimMachine::GetProcAddress(uint64_t module, const char* procName) {
    if (procName == nullptr) return 0;
    std::lock_guard lock(m_state->mutex);
    for (const detail::OwnModule& own : m_state->ownModules) {
        if (own.Base() != module) continue;
        const std::string name(procName);
        if (own.hostPath.empty() && own.name == kKernelName && name == kDetachExport &&
            !m_state->hasDebugActiveProcessStop) {
            return 0;
        }
        const auto rva = detail::FindExportRva(ByteView(own.image.get(), own.size), name);
        return rva && *rva != 0 ? own.Base() + *rva : 0;
    }
    return 0;
}

bool SimMachine::IsReadableOwnMemory(const void* address, size_t size) {
    if (address == nullptr) return false;
    const auto start = reinterpret_cast<uintptr_t>(address);
    if (start + size < start) return false;
    // write() reports an unreadable source with EFAULT instead of faulting.
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    bool readable = true;
    for (uint64_t done = 0; done < size && readable;) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kProbeChunk, size - done));
        const ssize_t put = ::write(pipeEnds[1], static_cast<const uint8_t*>(address) + done, chunk);
        readable = put == static_cast<ssize_t>(chunk);
        uint8_t sink[kProbeChunk];
        if (put > 0 && ::read(pipeEnds[0], sink, static_cast<size_t>(put)) != put) readable = false;
        done += chunk;
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return readable;
}

std::optional<std::string> SimMachine::GetMappedFileName(Handle process, const void* address) {
    std::lock_guard lock(m_state->mutex);
    const detail::SimProcess* found = m_state->ProcessOf(process);
    if (found == nullptr || !found->alive) return std::nullopt;
    const auto where = reinterpret_cast<uint64_t>(address);
    auto within = [where](uint64_t base, uint64_t size) { return where >= base && where - base < size; };
    if (found->own) {
        for (const auto& [start, view] : m_state->views) {
            if (within(reinterpret_cast<uint64_t>(start), view.length)) {
                return m_state->DevicePathOf(view.path.hostPath);
            }
        }
        for (const detail::OwnModule& module : m_state->ownModules) {
            if (!module.hostPath.empty() && within(module.Base(), module.size)) {
                return m_state->DevicePathOf(module.hostPath);
            }
        }
        return std::nullopt;
    }
    for (const detail::SimModule& module : found->modules) {
        if (within(module.base, module.size)) return m_state->DevicePathOf(module.hostPath);
    }
    return std::nullopt;
}

}  // namespace qv::sim
