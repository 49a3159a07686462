#include <algorithm>

#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

Handle Win32Platform::OpenFileForRead(const char* path, uint32_t shareMode) {
    return FromWinFile(
        ::CreateFileA(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

Handle Win32Platform::CreateFileForWrite(const char* path) {
    return FromWinFile(
        ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Win32Platform::ReadFile(Handle file, void* buffer, uint32_t size, uint32_t& bytesRead) {
    DWORD done = 0;
    const BOOL ok = ::ReadFile(ToWin(file), buffer, size, &done, nullptr);
    bytesRead = done;
    return ok != FALSE;
}

bool Win32Platform::WriteFile(Handle file, const void* buffer, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    uint32_t written = 0;
    while (written < size) {
        DWORD done = 0;
        if (::WriteFile(ToWin(file), bytes + written, size - written, &done, nullptr) == FALSE || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

std::optional<uint64_t> Win32Platform::GetFileSize(Handle file) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(ToWin(file), &size) == FALSE) return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

std::optional<FileTime> Win32Platform::GetFileLastWriteTime(Handle file) {
    FILETIME written{};
    if (::GetFileTime(ToWin(file), nullptr, nullptr, &written) == FALSE) return std::nullopt;
    return (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

Handle Win32Platform::CreateFileMapping(Handle file, uint64_t maximumSize) {
    uint64_t mapped = maximumSize;
    if (mapped == 0) {
        const auto size = GetFileSize(file);
        if (!size) return kNullHandle;
        mapped = *size;
    }
    HANDLE mapping = ::CreateFileMappingA(ToWin(file), nullptr, PAGE_READONLY, static_cast<DWORD>(maximumSize >> 32),
                                          static_cast<DWORD>(maximumSize), nullptr);
    if (mapping == nullptr) return kNullHandle;
    std::lock_guard lock(m_mappingLock);
    m_mappingSizes[FromWin(mapping)] = mapped;
    return FromWin(mapping);
}

const uint8_t* Win32Platform::MapViewOfFile(Handle mapping, uint64_t viewSize, uint64_t& length) {
    uint64_t mapped = 0;
    {
        std::lock_guard lock(m_mappingLock);
        const auto found = m_mappingSizes.find(mapping);
        if (found == m_mappingSizes.end()) return nullptr;
        mapped = found->second;
    }
    if (viewSize > mapped) return nullptr;
    void* view = ::MapViewOfFile(ToWin(mapping), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(viewSize));
    if (view == nullptr) return nullptr;
    length = viewSize != 0 ? viewSize : mapped;
    return static_cast<const uint8_t*>(view);
}

bool Win32Platform::UnmapViewOfFile(const void* view) { return ::UnmapViewOfFile(view) != FALSE; }

std::optional<uint32_t> Win32Platform::FindFirstFileAttributes(const char* path) {
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    ::FindClose(search);
    return found.dwFileAttributes;
}

std::string Win32Platform::GetCurrentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string directory(needed, '\0');
    const DWORD length = ::GetCurrentDirectoryA(needed, directory.data());
    directory.resize(std::min<DWORD>(length, needed));
    return directory;
}

}  // namespace qv::win32
