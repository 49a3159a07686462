// A block of memory inside another process, for window messages whose
// parameters point at structures (list view items): the receiving control
// reads them in its own address space.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32/WinApi.h"

namespace uidriver {

class RemoteBuffer {
public:
    RemoteBuffer(DWORD processId, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return m_address != nullptr; }
    // The address in the other process, at offset.
    void* At(size_t offset) const { return static_cast<char*>(m_address) + offset; }
    bool Write(size_t offset, const void* bytes, size_t size) const;
    bool Read(size_t offset, void* bytes, size_t size) const;
    // The NUL-terminated text at offset, at most size bytes.
    std::string ReadText(size_t offset, size_t size) const;

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size = 0;
};

}  // namespace uidriver
