// Handles closed when their owner goes: any handle the platform gave, and a
// handle of the target opened for one operation with all access rights.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace qv {

class ScopedHandle {
public:
    explicit ScopedHandle(Handle handle) : m_handle(handle) {}
    ~ScopedHandle() {
        if (m_handle != kNullHandle) Platform().CloseHandle(m_handle);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    Handle get() const { return m_handle; }

private:
    Handle m_handle;
};

class ProcessHandle : public ScopedHandle {
public:
    explicit ProcessHandle(uint32_t processId) : ScopedHandle(Platform().OpenProcess(kProcessAllAccess, processId)) {}
};

}  // namespace qv
