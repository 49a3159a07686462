// The real platform against the running demo server under Wine: process
// status, threads and their information blocks, code writes seen by the
// server's self-check, image lookups by bare name, file mappings, and a
// breakpoint planted, hit, stepped over and re-armed through the debugging
// interface with exact hit counts.
#include "platform/win32/WinApi.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/PeImage.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"

using qv::DebugEvent;
using qv::Handle;
using qv::kNullHandle;
using qv::ThreadContext;
using qv::win32::Win32Platform;

namespace {

constexpr DWORD kAnswerMs = 30000;

struct ServerInfo {
    uint64_t base = 0;
    uint64_t hashName = 0;
    uint64_t formatRow = 0;
    uint64_t parseStatement = 0;
};

ServerInfo ParseInfo(const std::string& answer) {
    ServerInfo info;
    std::istringstream first(answer.substr(0, answer.find('\n')));
    std::string word, pid, base;
    first >> word >> pid >> base;
    info.base = std::stoull(base, nullptr, 0);
    info.hashName = e2e::AnswerValue(answer, "HashName").value_or(0);
    info.formatRow = e2e::AnswerValue(answer, "FormatRow").value_or(0);
    info.parseStatement = e2e::AnswerValue(answer, "ParseStatement").value_or(0);
    return info;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && _stricmp(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

// The header fields MapAndLoad should report, read straight from the file.
bool ReadImageHeader(const std::string& path, uint32_t& sizeOfImage, uint32_t& timeStamp) {
    const std::string bytes = e2e::ReadWholeFile(path);
    const qv::ByteView image(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const auto fileHeader = qv::GetFileHeader(image);
    const auto optionalHeader = qv::GetOptionalHeader(image);
    return fileHeader && optionalHeader && image.Read(*fileHeader + qv::kFhTimeDateStamp, timeStamp) &&
           image.Read(*optionalHeader + qv::kOhSizeOfImage, sizeOfImage);
}

// A native device path of a mapped file turned into its drive-letter form,
// with the platform's drive list.
std::string ToDrivePath(Win32Platform& platform, const std::string& device) {
    for (const std::string& drive : platform.GetLogicalDriveStrings()) {
        const std::string name = drive.substr(0, 2);
        const auto target = platform.QueryDosDevice(name.c_str());
        if (target && device.size() >= target->size() && _strnicmp(device.c_str(), target->c_str(), target->size()) == 0) {
            return name + device.substr(target->size());
        }
    }
    return device;
}

std::string FileNameOfHandle(Win32Platform& platform, Handle file) {
    const Handle mapping = platform.CreateFileMapping(file, 1);
    if (mapping == kNullHandle) return {};
    uint64_t length = 0;
    const uint8_t* view = platform.MapViewOfFile(mapping, 1, length);
    std::string name;
    if (view != nullptr) {
        name = ToDrivePath(platform, platform.GetMappedFileName(platform.GetCurrentProcess(), view).value_or(""));
        platform.UnmapViewOfFile(view);
    }
    platform.CloseHandle(mapping);
    return name;
}

void CheckProcessStatus(Win32Platform& platform, e2e::DemoServer& server, const ServerInfo& info) {
    const auto ids = platform.EnumProcesses();
    E2E_CHECK(ids && std::find(ids->begin(), ids->end(), static_cast<uint32_t>(server.Pid())) != ids->end());
    const Handle process = platform.OpenProcess(qv::kProcessQueryInfoAndVmRead, server.Pid());
    E2E_CHECK(process != kNullHandle);
    const auto modules = platform.EnumProcessModules(process);
    E2E_CHECK(modules && modules->size() > 2 && modules->front() == info.base);
    if (modules && !modules->empty()) {
        E2E_CHECK(platform.GetModuleBaseName(process, modules->front()).value_or("") == "ORACLE.EXE");
        E2E_CHECK(EndsWithNoCase(platform.GetModuleFileNameEx(process, modules->front()).value_or(""),
                                 "\\BIN\\ORACLE.EXE"));
    }
    E2E_CHECK(platform.GetProcessId(process) == server.Pid());
    platform.CloseHandle(process);
    E2E_CHECK(platform.OpenProcess(qv::kProcessAllAccess, 0xFFFFFFF0u) == kNullHandle);
    E2E_CHECK(platform.GetCurrentProcess() == qv::kCurrentProcessPseudo);
    E2E_CHECK(platform.GetProcessId(qv::kCurrentProcessPseudo) == GetCurrentProcessId());
}

void CheckThreads(Win32Platform& platform, e2e::DemoServer& server) {
    const auto threads = platform.SnapshotThreads(server.Pid());
    E2E_CHECK(threads.has_value());
    const Handle process = platform.OpenProcess(qv::kProcessAllAccess, server.Pid());
    int owned = 0;
    for (const qv::ThreadEntry& entry : threads.value_or(std::vector<qv::ThreadEntry>{})) {
        if (entry.th32OwnerProcessID != server.Pid()) continue;
        ++owned;
        const Handle thread = platform.OpenThread(qv::kThreadAllAccess, entry.th32ThreadID);
        E2E_CHECK(thread != kNullHandle);
        // THREAD_BASIC_INFORMATION: TebBaseAddress at byte 8; the TEB's
        // NT_TIB.Self (byte 0x30) points at the TEB itself.
        uint8_t basic[48] = {};
        E2E_CHECK(platform.NtQueryInformationThread(thread, 0, basic, sizeof(basic)) >= 0);
        uint64_t teb = 0;
        std::memcpy(&teb, basic + 8, 8);
        uint64_t self = 0;
        E2E_CHECK(teb != 0 && platform.ReadProcessMemory(process, teb + 0x30, &self, 8) && self == teb);
        E2E_CHECK(platform.SuspendThread(thread) == 0);
        E2E_CHECK(platform.ResumeThread(thread) == 1);
        platform.CloseHandle(thread);
    }
    platform.CloseHandle(process);
    E2E_CHECK(owned >= 3);  // main thread and two workers
}

// A byte written into the server's code is what its self-check reports;
// written back, the code is clean again.
void CheckCodeWrites(Win32Platform& platform, e2e::DemoServer& server, const ServerInfo& info) {
    const Handle process = platform.OpenProcess(qv::kProcessAllAccess, server.Pid());
    uint8_t original = 0;
    E2E_CHECK(platform.ReadProcessMemory(process, info.formatRow, &original, 1));
    const uint8_t changed = static_cast<uint8_t>(original ^ 0xFF);
    E2E_CHECK(platform.WriteProcessMemory(process, info.formatRow, &changed, 1));
    const auto dirty = server.Request("check", "", kAnswerMs).value_or("");
    E2E_CHECK(e2e::StartsWith(dirty, "check changed ") && dirty.find(" 1\r\n") != std::string::npos);
    E2E_CHECK(platform.WriteProcessMemory(process, info.formatRow, &original, 1));
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    uint8_t unmapped = 0;
    E2E_CHECK(!platform.ReadProcessMemory(process, 0x10, &unmapped, 1));
    platform.CloseHandle(process);
}

void CheckImagesAndFiles(Win32Platform& platform, e2e::DemoServer& server) {
    const std::string exe = server.Home() + "\\BIN\\ORACLE.EXE";
    uint32_t sizeOfImage = 0, timeStamp = 0;
    E2E_CHECK(ReadImageHeader(exe, sizeOfImage, timeStamp));
    const auto loaded = platform.MapAndLoad("ORACLE.EXE");  // by bare name, through PATH
    E2E_CHECK(loaded && loaded->SizeOfImage == sizeOfImage && loaded->TimeDateStamp == timeStamp);
    E2E_CHECK(!platform.MapAndLoad("NOSUCHIMAGE.EXE").has_value());

    E2E_CHECK((platform.FindFirstFileAttributes(server.Home().c_str()).value_or(0) & qv::kFileAttributeDirectory) != 0);
    E2E_CHECK((platform.FindFirstFileAttributes(exe.c_str()).value_or(qv::kFileAttributeDirectory) &
               qv::kFileAttributeDirectory) == 0);
    E2E_CHECK(!platform.FindFirstFileAttributes((server.Home() + "\\NOSUCH").c_str()).has_value());
    E2E_CHECK(platform.OpenFileForRead((server.Home() + "\\NOSUCH").c_str(), qv::kFileShareRead) == kNullHandle);

    // A written file read back through a whole-file mapping; its write time
    // as the directory listing reports it.
    const std::string path = e2e::OwnFolder() + "\\e2e_platform.tmp";
    const std::string content = "mapped file content\r\n";
    const Handle out = platform.CreateFileForWrite(path.c_str());
    E2E_CHECK(out != kNullHandle && platform.WriteFile(out, content.data(), static_cast<uint32_t>(content.size())));
    platform.CloseHandle(out);
    const Handle in = platform.OpenFileForRead(path.c_str(), qv::kFileShareRead | qv::kFileShareWrite);
    E2E_CHECK(in != kNullHandle && platform.GetFileSize(in).value_or(0) == content.size());
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    const uint64_t listed = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                            found.ftLastWriteTime.dwLowDateTime;
    E2E_CHECK(platform.GetFileLastWriteTime(in).value_or(0) == listed && listed != 0);
    const Handle mapping = platform.CreateFileMapping(in, 0);
    uint64_t length = 0;
    const uint8_t* view = mapping != kNullHandle ? platform.MapViewOfFile(mapping, 0, length) : nullptr;
    E2E_CHECK(view != nullptr && length == content.size() && std::memcmp(view, content.data(), content.size()) == 0);
    E2E_CHECK(EndsWithNoCase(FileNameOfHandle(platform, in), "\\e2e_platform.tmp"));
    E2E_CHECK(FileNameOfHandle(platform, in).substr(1, 1) == ":");  // the device form mapped to a drive letter
    if (view != nullptr) platform.UnmapViewOfFile(view);
    platform.CloseHandle(mapping);
    platform.CloseHandle(in);
    DeleteFileA(path.c_str());
}

void CheckOwnMemory(Win32Platform& platform) {
    int local = 0;
    auto* noAccess = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(noAccess + 4096, 4096, PAGE_NOACCESS, &old);
    auto* guarded = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE,
                                                       PAGE_READWRITE | PAGE_GUARD));
    E2E_CHECK(platform.IsReadableOwnMemory(&local, sizeof(local)));
    E2E_CHECK(platform.IsReadableOwnMemory(noAccess, 4096));
    E2E_CHECK(!platform.IsReadableOwnMemory(noAccess + 4000, 200));  // runs into the no-access page
    E2E_CHECK(!platform.IsReadableOwnMemory(guarded, 1));
    E2E_CHECK(!platform.IsReadableOwnMemory(nullptr, 1));
    VirtualFree(guarded, 0, MEM_RELEASE);
    VirtualFree(noAccess, 0, MEM_RELEASE);
}

// The fifth and sixth parameters of ParseStatement, on the stack at its
// entry: the statement of iteration 0 and its length.
bool CheckStatementArguments(Win32Platform& platform, Handle process, uint64_t rsp) {
    const std::string expected = "SELECT ENAME FROM EMP";
    uint64_t statement = 0, length = 0;
    char text[64] = {};
    return platform.ReadProcessMemory(process, rsp + 40, &statement, 8) &&
           platform.ReadProcessMemory(process, rsp + 48, &length, 8) &&
           platform.ReadProcessMemory(process, statement, text, expected.size() + 1) && text == expected &&
           length == expected.size() && statement < 0x100000000ull;
}

// A minimal tracer over the platform: attach, take the attach burst, plant
// 0xCC at HashName, run one iteration (two calls), step over and re-arm
// each hit, detach. Every call of the run must be seen exactly once. A
// one-shot breakpoint at ParseStatement reads its stack parameters.
void CheckDebugging(Win32Platform& platform, e2e::DemoServer& server, const ServerInfo& info) {
    E2E_CHECK(platform.DebugActiveProcess(server.Pid()));
    platform.DebugSetProcessKillOnExit(false);
    bool sawCreateProcess = false, sawBreakIn = false, sawLibrary = false, firstWasCreate = false;
    int events = 0;
    DebugEvent event;
    while (platform.WaitForDebugEvent(event, 1500)) {
        if (events++ == 0) firstWasCreate = event.dwDebugEventCode == qv::kCreateProcessDebugEvent;
        if (event.dwDebugEventCode == qv::kCreateProcessDebugEvent) {
            sawCreateProcess = event.lpBaseOfImage == info.base;
        } else if (event.dwDebugEventCode == qv::kLoadDllDebugEvent) {
            sawLibrary = sawLibrary || EndsWithNoCase(FileNameOfHandle(platform, event.hFile), "\\BIN\\orapls11.dll");
        } else if (event.dwDebugEventCode == qv::kExceptionDebugEvent) {
            sawBreakIn = sawBreakIn || event.ExceptionCode == qv::kExceptionBreakpoint;
        }
        if (event.hFile != kNullHandle) platform.CloseHandle(event.hFile);
        platform.ContinueDebugEvent(event.dwProcessId, event.dwThreadId, qv::kDbgContinue);
    }
    E2E_CHECK(firstWasCreate && sawCreateProcess && sawBreakIn && sawLibrary);

    const Handle process = platform.OpenProcess(qv::kProcessAllAccess, server.Pid());
    uint8_t saved = 0;
    const uint8_t int3 = 0xCC;
    E2E_CHECK(platform.ReadProcessMemory(process, info.hashName, &saved, 1) && saved != int3);
    E2E_CHECK(platform.WriteProcessMemory(process, info.hashName, &int3, 1));
    uint8_t savedParse = 0;
    E2E_CHECK(platform.ReadProcessMemory(process, info.parseStatement, &savedParse, 1));
    E2E_CHECK(platform.WriteProcessMemory(process, info.parseStatement, &int3, 1));
    bool argumentsSeen = false;

    const std::string runId = server.Send("run", "1 1");
    int hits = 0;
    bool ripAfterInt3 = true, rewound = true, returnsIntoImage = true;
    uint32_t steppingThread = 0;
    std::optional<std::string> answer;
    const ULONGLONG deadline = GetTickCount64() + kAnswerMs;
    while (!answer && GetTickCount64() < deadline) {
        if (!platform.WaitForDebugEvent(event, 100)) {
            answer = server.Await(runId, 0);
            continue;
        }
        uint32_t status = qv::kDbgContinue;
        if (event.dwDebugEventCode == qv::kExceptionDebugEvent && event.ExceptionCode == qv::kExceptionBreakpoint &&
            event.ExceptionAddress == info.hashName) {
            ++hits;
            const Handle thread = platform.OpenThread(qv::kThreadAllAccess, event.dwThreadId);
            ThreadContext context;
            context.ContextFlags = qv::kContextAll;
            platform.GetThreadContext(thread, context);
            ripAfterInt3 = ripAfterInt3 && context.Rip == info.hashName + 1;
            uint64_t returnAddress = 0;
            platform.ReadProcessMemory(process, context.Rsp, &returnAddress, 8);
            returnsIntoImage = returnsIntoImage && returnAddress > info.base && returnAddress < info.base + 0x10000000;
            platform.WriteProcessMemory(process, info.hashName, &saved, 1);
            context.Rip = info.hashName;
            context.EFlags |= qv::kTrapFlag;
            platform.SetThreadContext(thread, context);
            ThreadContext again;
            again.ContextFlags = qv::kContextAll;
            platform.GetThreadContext(thread, again);
            rewound = rewound && again.Rip == info.hashName && (again.EFlags & qv::kTrapFlag) != 0;
            platform.CloseHandle(thread);
            steppingThread = event.dwThreadId;
        } else if (event.dwDebugEventCode == qv::kExceptionDebugEvent &&
                   event.ExceptionCode == qv::kExceptionBreakpoint && event.ExceptionAddress == info.parseStatement) {
            const Handle thread = platform.OpenThread(qv::kThreadAllAccess, event.dwThreadId);
            ThreadContext context;
            context.ContextFlags = qv::kContextFull;
            platform.GetThreadContext(thread, context);
            argumentsSeen = CheckStatementArguments(platform, process, context.Rsp);
            platform.WriteProcessMemory(process, info.parseStatement, &savedParse, 1);
            context.Rip = info.parseStatement;
            platform.SetThreadContext(thread, context);
            platform.CloseHandle(thread);
        } else if (event.dwDebugEventCode == qv::kExceptionDebugEvent &&
                   event.ExceptionCode == qv::kExceptionSingleStep && event.dwThreadId == steppingThread) {
            platform.WriteProcessMemory(process, info.hashName, &int3, 1);
            steppingThread = 0;
        } else if (event.dwDebugEventCode == qv::kExceptionDebugEvent) {
            status = qv::kDbgExceptionNotHandled;
        }
        if (event.hFile != kNullHandle) platform.CloseHandle(event.hFile);
        platform.ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    platform.WriteProcessMemory(process, info.hashName, &saved, 1);
    platform.WriteProcessMemory(process, info.parseStatement, &savedParse, 1);
    E2E_CHECK(answer.has_value());
    E2E_CHECK(hits == 2 && e2e::AnswerValue(answer.value_or(""), "HashName").value_or(0) == 2);
    E2E_CHECK(ripAfterInt3 && rewound && returnsIntoImage);
    E2E_CHECK(argumentsSeen);
    E2E_CHECK(platform.DebugActiveProcessStop(server.Pid()));
    platform.CloseHandle(process);

    // Detached: the server runs on, unchanged.
    const auto after = server.Request("run", "5 2", kAnswerMs).value_or("");
    E2E_CHECK(e2e::AnswerValue(after, "ComputeChecksum").value_or(0) == 40);
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
}

}  // namespace

int main() {
    Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start()) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_platform");
    }
    const ServerInfo info = ParseInfo(server.Request("info", "", kAnswerMs).value_or("info 0 0 0"));
    E2E_CHECK(info.base != 0 && info.hashName > info.base && info.formatRow > info.base &&
              info.parseStatement > info.base);

    CheckProcessStatus(platform, server, info);
    CheckThreads(platform, server);
    CheckCodeWrites(platform, server, info);
    CheckImagesAndFiles(platform, server);
    CheckOwnMemory(platform);
    CheckDebugging(platform, server, info);
    E2E_CHECK(platform.AdjustDebugPrivilege(qv::kCurrentProcessPseudo, true));

    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_platform");
}
