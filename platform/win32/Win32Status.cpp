#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

// Closes a toolhelp snapshot on every way out.
class Snapshot {
public:
    Snapshot(DWORD flags, DWORD processId) : m_handle(::CreateToolhelp32Snapshot(flags, processId)) {}
    ~Snapshot() {
        if (Valid()) ::CloseHandle(m_handle);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    bool Valid() const { return FromWinFile(m_handle) != kNullHandle; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

HMODULE ToModule(uint64_t module) { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(module)); }

std::string FromBuffer(const char* buffer, DWORD length) { return std::string(buffer, length); }

}  // namespace

uint64_t Win32Platform::GetModuleHandle(const char* moduleName) {
    return reinterpret_cast<uintptr_t>(::GetModuleHandleA(moduleName));
}

uint64_t Win32Platform::GetProcAddress(uint64_t module, const char* procName) {
    return reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(::GetProcAddress(ToModule(module), procName)));
}

// Like toolhelp itself, the thread snapshot lists the threads of every
// process; the caller picks by owner.
std::optional<std::vector<ThreadEntry>> Win32Platform::SnapshotThreads(uint32_t processId) {
    Snapshot snapshot(TH32CS_SNAPTHREAD, processId);
    if (!snapshot.Valid()) return std::nullopt;
    std::vector<ThreadEntry> threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more != FALSE;
         more = ::Thread32Next(snapshot.Get(), &entry)) {
        threads.push_back(ThreadEntry{entry.th32ThreadID, entry.th32OwnerProcessID, entry.tpBasePri});
        entry.dwSize = sizeof(entry);
    }
    return threads;
}

std::optional<std::vector<ModuleEntry>> Win32Platform::SnapshotModules(uint32_t processId) {
    Snapshot snapshot(TH32CS_SNAPMODULE, processId);
    if (!snapshot.Valid()) return std::nullopt;
    std::vector<ModuleEntry> modules;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Module32First(snapshot.Get(), &entry); more != FALSE;
         more = ::Module32Next(snapshot.Get(), &entry)) {
        ModuleEntry module;
        module.modBaseAddr = reinterpret_cast<uintptr_t>(entry.modBaseAddr);
        module.modBaseSize = entry.modBaseSize;
        module.szModule = entry.szModule;
        module.szExePath = entry.szExePath;
        modules.push_back(std::move(module));
        entry.dwSize = sizeof(entry);
    }
    return modules;
}

std::optional<std::vector<uint32_t>> Win32Platform::EnumProcesses() {
    // Grow the buffer until the list fits with room to spare: a full buffer
    // may have cut the list short.
    for (size_t capacity = 1024; capacity <= (1u << 20); capacity *= 4) {
        std::vector<DWORD> ids(capacity);
        DWORD bytes = 0;
        if (::EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes) == FALSE) {
            return std::nullopt;
        }
        const size_t count = bytes / sizeof(DWORD);
        if (count < capacity) return std::vector<uint32_t>(ids.begin(), ids.begin() + count);
    }
    return std::nullopt;
}

std::optional<std::vector<uint64_t>> Win32Platform::EnumProcessModules(Handle process) {
    DWORD needed = 0;
    HMODULE first = nullptr;
    if (::EnumProcessModules(ToWin(process), &first, sizeof(first), &needed) == FALSE) return std::nullopt;
    std::vector<HMODULE> handles(needed / sizeof(HMODULE));
    if (handles.size() > 1) {
        DWORD again = 0;
        if (::EnumProcessModules(ToWin(process), handles.data(), static_cast<DWORD>(handles.size() * sizeof(HMODULE)),
                                 &again) == FALSE) {
            return std::nullopt;
        }
        handles.resize(std::min<size_t>(handles.size(), again / sizeof(HMODULE)));
    } else if (!handles.empty()) {
        handles[0] = first;
    }
    std::vector<uint64_t> modules;
    modules.reserve(handles.size());
    for (HMODULE handle : handles) modules.push_back(reinterpret_cast<uintptr_t>(handle));
    return modules;
}

std::optional<std::string> Win32Platform::GetModuleBaseName(Handle process, uint64_t module) {
    char name[MAX_PATH] = {};
    const DWORD length = ::GetModuleBaseNameA(ToWin(process), ToModule(module), name, MAX_PATH);
    if (length == 0) return std::nullopt;
    return FromBuffer(name, length);
}

std::optional<std::string> Win32Platform::GetModuleFileNameEx(Handle process, uint64_t module) {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameExA(ToWin(process), ToModule(module), path, MAX_PATH);
    if (length == 0) return std::nullopt;
    return FromBuffer(path, length);
}

// Windows answers with the device form ("\Device\HarddiskVolume2\dir\file");
// Wine with the DOS-device form ("\??\Z:\dir\file"). The latter is turned
// into the former through the drive's device name, so callers see one form.
std::optional<std::string> Win32Platform::GetMappedFileName(Handle process, const void* address) {
    char name[MAX_PATH] = {};
    const DWORD length = ::GetMappedFileNameA(ToWin(process), const_cast<void*>(address), name, MAX_PATH);
    if (length == 0) return std::nullopt;
    std::string mapped = FromBuffer(name, length);
    constexpr std::string_view kDosDevices = "\\??\\";
    if (mapped.size() > kDosDevices.size() + 2 && mapped.compare(0, kDosDevices.size(), kDosDevices) == 0 &&
        mapped[kDosDevices.size() + 1] == ':') {
        const std::string drive = mapped.substr(kDosDevices.size(), 2);
        if (const auto device = QueryDosDevice(drive.c_str())) return *device + mapped.substr(kDosDevices.size() + 2);
    }
    return mapped;
}

std::vector<std::string> Win32Platform::GetLogicalDriveStrings() {
    char buffer[512] = {};
    const DWORD length = ::GetLogicalDriveStringsA(sizeof(buffer) - 1, buffer);
    std::vector<std::string> drives;
    if (length == 0 || length >= sizeof(buffer)) return drives;
    for (const char* drive = buffer; *drive != '\0'; drive += std::strlen(drive) + 1) drives.emplace_back(drive);
    return drives;
}

std::optional<std::string> Win32Platform::QueryDosDevice(const char* deviceName) {
    char target[512] = {};
    if (::QueryDosDeviceA(deviceName, target, sizeof(target)) == 0) return std::nullopt;
    return std::string(target);
}

}  // namespace qv::win32
