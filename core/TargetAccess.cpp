#include "core/TargetAccess.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace qv {

namespace {

constexpr size_t kTibLength = 56;
constexpr size_t kThreadBasicInfoLength = 48;
constexpr size_t kTebOffsetInBasicInfo = 8;
constexpr size_t kMaxPrintableStringBytes = 10240;
constexpr uint32_t kMaxBoundedStrLen = 8000;

thread_local const TargetReader* t_targetReader = nullptr;

// Opens a thread for one register read and closes it again.
bool ReadThreadContext(uint32_t threadId, ThreadContext& context) {
    IPlatform& platform = Platform();
    const Handle thread = platform.OpenThread(kThreadAllAccess, threadId);
    if (thread == kNullHandle) return false;
    context.ContextFlags = kContextAll;
    const bool ok = platform.GetThreadContext(thread, context);
    platform.CloseHandle(thread);
    return ok;
}

uint64_t TibField(Handle process, Handle thread, size_t offset) {
    const uint64_t teb = GetThreadTebAddress(thread);
    if (teb == 0 || !IsTargetReadable(process, teb, kTibLength)) return 0;
    uint8_t tib[kTibLength];
    if (!ReadTargetMemory(process, teb, tib, sizeof tib)) return 0;
    uint64_t value;
    std::memcpy(&value, tib + offset, sizeof value);
    return value;
}

std::optional<LoadedImageInfo> LoadImageInfo(const std::string& fileName) {
    return Platform().MapAndLoad(fileName.c_str());
}

}  // namespace

bool EnableDebugPrivilege(Handle process, bool enable) { return Platform().AdjustDebugPrivilege(process, enable); }

bool ReadTargetMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    if (t_targetReader != nullptr) return (*t_targetReader)(process, address, buffer, size);
    return Platform().ReadProcessMemory(process, address, buffer, size);
}

ScopedTargetReader::ScopedTargetReader(TargetReader reader) : m_reader(std::move(reader)), m_previous(t_targetReader) {
    t_targetReader = &m_reader;
}

ScopedTargetReader::~ScopedTargetReader() { t_targetReader = m_previous; }

PagedTargetBytes::PagedTargetBytes(Handle process, uint64_t start, uint64_t limit)
    : m_process(process), m_start(start), m_limit(limit) {}

std::optional<uint8_t> PagedTargetBytes::At(uint64_t offset) {
    if (offset >= m_limit) return std::nullopt;
    if (offset < m_blockOffset || offset >= m_blockOffset + m_blockLength) {
        const uint64_t address = m_start + offset;
        if (address < m_start) return std::nullopt;
        const uint64_t toPageEnd = kPageSize - (address & (kPageSize - 1));
        m_blockOffset = offset;
        m_blockLength = std::min(toPageEnd, m_limit - offset);
        m_blockReadable = ReadTargetMemory(m_process, address, m_block, static_cast<size_t>(m_blockLength));
    }
    if (!m_blockReadable) return std::nullopt;
    return m_block[offset - m_blockOffset];
}

bool IsTargetByteReadable(Handle process, uint64_t address) {
    uint8_t scratch;
    return ReadTargetMemory(process, address, &scratch, 1);
}

bool IsTargetReadable(Handle process, uint64_t address, size_t size) {
    std::vector<uint8_t> scratch(size);
    return ReadTargetMemory(process, address, scratch.data(), size);
}

uint8_t ReadTargetByte(Handle process, uint64_t address) {
    uint8_t value = 0;
    return ReadTargetMemory(process, address, &value, 1) ? value : 0;
}

uint64_t ReadTargetQword(Handle process, uint64_t address) {
    uint8_t bytes[8];
    if (!ReadTargetMemory(process, address, bytes, sizeof bytes)) return 0;
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

bool IsPrintableChar(uint8_t byte) { return byte == 10 || byte == 13 || (byte >= 32 && byte <= 127); }

bool IsPrintableString(Handle process, uint64_t address, bool wide) {
    const size_t charSize = wide ? 2 : 1;
    // A wide character's second byte may lie one past the last first byte.
    PagedTargetBytes bytes(process, address, kMaxPrintableStringBytes + 1);
    for (size_t walked = 0; walked < kMaxPrintableStringBytes; walked += charSize) {
        const std::optional<uint8_t> first = bytes.At(walked);
        if (!first) return false;
        if (*first == 0) return walked >= 2;
        if (!IsPrintableChar(*first)) return false;
        if (wide) {
            const std::optional<uint8_t> second = bytes.At(walked + 1);
            if (!second || *second != 0) return false;
        }
    }
    return false;
}

bool WriteTargetMemory(Handle process, uint64_t address, const void* buffer, size_t size) {
    return Platform().WriteProcessMemory(process, address, buffer, size);
}

Int3Write SaveAndWriteInt3(Handle process, uint64_t address, uint8_t& savedByte) {
    uint8_t original = 0;
    if (!ReadTargetMemory(process, address, &original, 1)) return Int3Write::NotRead;
    savedByte = original;
    const uint8_t int3 = 0xCC;
    return WriteTargetMemory(process, address, &int3, 1) ? Int3Write::Written : Int3Write::ReadOnly;
}

bool RewindThreadToBreakPoint(uint32_t threadId, uint64_t address) {
    IPlatform& platform = Platform();
    const Handle thread = platform.OpenThread(kThreadAllAccess, threadId);
    if (thread == kNullHandle) return false;
    ThreadContext context;
    context.ContextFlags = kContextFull;
    bool rewound = false;
    if (platform.GetThreadContext(thread, context) && context.Rip == address + 1) {
        context.Rip = address;
        rewound = platform.SetThreadContext(thread, context);
    }
    platform.CloseHandle(thread);
    return rewound;
}

uint64_t GetThreadRax(uint32_t threadId) {
    ThreadContext context;
    return ReadThreadContext(threadId, context) ? context.Rax : 0;
}

uint64_t GetThreadRdx(uint32_t threadId) {
    ThreadContext context;
    return ReadThreadContext(threadId, context) ? context.Rdx : 0;
}

uint64_t GetThreadRsp(uint32_t threadId) {
    ThreadContext context;
    return ReadThreadContext(threadId, context) ? context.Rsp : 0;
}

bool GetThreadFloatRegister(uint32_t threadId, int index, uint8_t (&)[10]) {
    if (index < 0 || index > 7) return false;
    // The x87 registers are not part of the context this program reads, so
    // nothing is copied: callers show the value as unavailable.
    ThreadContext context;
    ReadThreadContext(threadId, context);
    return false;
}

uint64_t GetThreadTebAddress(Handle thread) {
    IPlatform& platform = Platform();
    const uint64_t ntdll = platform.GetModuleHandle("ntdll.dll");
    if (ntdll == 0 || platform.GetProcAddress(ntdll, "NtQueryInformationThread") == 0) return 0;
    uint8_t info[kThreadBasicInfoLength] = {};
    if (platform.NtQueryInformationThread(thread, 0, info, sizeof info) < 0) return 0;
    uint64_t teb;
    std::memcpy(&teb, info + kTebOffsetInBasicInfo, sizeof teb);
    return teb;
}

uint64_t GetThreadStackBase(Handle process, Handle thread) { return TibField(process, thread, 8); }

uint64_t GetThreadStackLimit(Handle process, Handle thread) { return TibField(process, thread, 16); }

bool ReadThreadTib(Handle process, Handle thread) {
    const uint64_t teb = GetThreadTebAddress(thread);
    if (teb == 0 || !IsTargetReadable(process, teb, kTibLength)) return false;
    uint8_t tib[kTibLength];
    return ReadTargetMemory(process, teb, tib, sizeof tib);
}

bool FileExists(const std::string& path) {
    IPlatform& platform = Platform();
    const Handle file = platform.OpenFileForRead(path.c_str(), kFileShareRead | kFileShareWrite);
    if (file == kNullHandle) return false;
    platform.CloseHandle(file);
    return true;
}

bool DirectoryExists(const std::string& path) {
    const auto attributes = Platform().FindFirstFileAttributes(path.c_str());
    return attributes && (*attributes & kFileAttributeDirectory) != 0;
}

uint32_t GetImageSize(const std::string& fileName) {
    const auto info = LoadImageInfo(fileName);
    return info ? info->SizeOfImage : 0;
}

uint32_t GetImageTimeStamp(const std::string& fileName) {
    const auto info = LoadImageInfo(fileName);
    return info ? info->TimeDateStamp : 0;
}

bool GetProcessImagePath(uint32_t processId, std::string& path, size_t size) {
    IPlatform& platform = Platform();
    const Handle process = platform.OpenProcess(kProcessQueryInfoAndVmRead, processId);
    if (process == kNullHandle) return false;
    bool ok = false;
    const auto modules = platform.EnumProcessModules(process);
    if (modules && !modules->empty()) {
        if (const auto name = platform.GetModuleFileNameEx(process, modules->front())) {
            path = name->substr(0, size);
            ok = true;
        }
    }
    platform.CloseHandle(process);
    return ok;
}

uint32_t BoundedStrLen(const char* address) {
    IPlatform& platform = Platform();
    if (address == nullptr || !platform.IsReadableOwnMemory(address, 1)) return 0;
    // Probe once per page so that a string running into an unreadable page
    // ends there instead of faulting.
    constexpr uintptr_t kPageSize = 4096;
    const auto start = reinterpret_cast<uintptr_t>(address);
    uint32_t length = 0;
    while (length < kMaxBoundedStrLen) {
        const bool newPage = (start + length) % kPageSize == 0;
        if (newPage && !platform.IsReadableOwnMemory(address + length, 1)) break;
        if (address[length] == '\0') break;
        ++length;
    }
    return length;
}

uint64_t GetOwnModuleBase(uint64_t address) {
    const auto modules = Platform().SnapshotModules(0);
    if (!modules) return 0;
    for (const ModuleEntry& module : *modules) {
        if (module.modBaseAddr <= address && address < module.modBaseAddr + module.modBaseSize) {
            return module.modBaseAddr;
        }
    }
    return 0;
}

}  // namespace qv
