#include "tools/uidriver/RemoteBuffer.h"

#include <vector>

namespace uidriver {

RemoteBuffer::RemoteBuffer(DWORD processId, size_t size) : m_size(size) {
    m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (m_process != nullptr) {
        m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
}

RemoteBuffer::~RemoteBuffer() {
    if (m_address != nullptr) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    if (m_process != nullptr) ::CloseHandle(m_process);
}

bool RemoteBuffer::Write(size_t offset, const void* bytes, size_t size) const {
    SIZE_T written = 0;
    return Valid() && offset <= m_size && size <= m_size - offset &&
           ::WriteProcessMemory(m_process, At(offset), bytes, size, &written) && written == size;
}

bool RemoteBuffer::Read(size_t offset, void* bytes, size_t size) const {
    SIZE_T read = 0;
    return Valid() && offset <= m_size && size <= m_size - offset &&
           ::ReadProcessMemory(m_process, At(offset), bytes, size, &read) && read == size;
}

std::string RemoteBuffer::ReadText(size_t offset, size_t size) const {
    std::vector<char> text(size + 1, '\0');
    if (!Read(offset, text.data(), size)) return std::string();
    return std::string(text.data());
}

}  // namespace uidriver
