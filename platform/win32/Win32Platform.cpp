#include "platform/win32/Win32Platform.h"

#include "platform/win32/WinApi.h"

namespace qv::win32 {

Win32Platform::Win32Platform() = default;
Win32Platform::~Win32Platform() = default;

bool Win32Platform::CloseHandle(Handle handle) {
    {
        std::lock_guard lock(m_mappingLock);
        m_mappingSizes.erase(handle);
    }
    return ::CloseHandle(ToWin(handle)) != FALSE;
}

}  // namespace qv::win32
