// A handle of the target opened for one operation with all access rights and
// closed again when the operation is done.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace qv {

class ProcessHandle {
public:
    explicit ProcessHandle(uint32_t processId) : m_handle(Platform().OpenProcess(kProcessAllAccess, processId)) {}
    ~ProcessHandle() {
        if (m_handle != kNullHandle) Platform().CloseHandle(m_handle);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    Handle get() const { return m_handle; }

private:
    Handle m_handle;
};

}  // namespace qv
