// The loop's handlers for the events that keep the module list in step.
#include <string>

#include "base/AsciiText.h"
#include "core/ProcessHandle.h"
#include "core/TargetAccess.h"
#include "platform/Platform.h"
#include "symbols/ServerInstallation.h"
#include "tracer/DeamonThread.h"

namespace qv {

namespace {

constexpr size_t kDllPathBufferChars = 1024;
constexpr const char* kServerImageName = SERVERINSTALLATION::kExecutable;

// The event's file handle is ours to close; nothing uses it afterwards.
void CloseEventFile(Handle file) {
    if (file != kNullHandle) Platform().CloseHandle(file);
}

}  // namespace

uint32_t CDeamonThread::OnCreateProcess(const DebugEvent& event) {
    if (m_bOracleFound) {
        const std::string path = m_szOracleHome + "\\BIN\\" + kServerImageName;
        const uint32_t size = LoadedImageSize(ProcessHandle(event.dwProcessId).get(), event.lpBaseOfImage, path,
                                              kServerImageName);
        m_arrModules.AddModule(event.lpBaseOfImage, size, kServerImageName, path);
    }
    CloseEventFile(event.hFile);
    return kDbgExceptionNotHandled;
}

uint32_t CDeamonThread::OnExitProcess(const DebugEvent&) {
    if (m_bOracleFound) m_arrModules.RemoveAllModules();
    return kDbgExceptionNotHandled;
}

uint32_t CDeamonThread::OnLoadDll(const DebugEvent& event) {
    std::string path;
    if (GetFileNameFromHandle(event.hFile, path, kDllPathBufferChars)) {
        LogStamped("DLL loaded, file=%s \r\n", path.c_str());
        const std::string name(PathFileName(path));
        const uint32_t size = LoadedImageSize(ProcessHandle(event.dwProcessId).get(), event.lpBaseOfImage, path, name);
        m_arrModules.AddModule(event.lpBaseOfImage, size, name, path);
    }
    CloseEventFile(event.hFile);
    return kDbgExceptionNotHandled;
}

uint32_t CDeamonThread::OnUnloadDll(const DebugEvent& event) {
    for (int32_t i = 0; i < m_arrModules.GetSize(); ++i) {
        if (m_arrModules.GetAt(i).nBase == event.lpBaseOfImage) {
            m_arrModules.RemoveModule(i);
            break;
        }
    }
    return kDbgExceptionNotHandled;
}

}  // namespace qv
