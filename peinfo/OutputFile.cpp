#include "peinfo/OutputFile.h"

#include <limits>

#include "platform/Platform.h"

namespace qv {

OutputFile::OutputFile(const std::string& path) : m_handle(Platform().CreateFileForWrite(path.c_str())) {}

OutputFile::~OutputFile() {
    if (m_handle != kNullHandle) Platform().CloseHandle(m_handle);
}

bool OutputFile::Write(const void* bytes, uint64_t length) {
    if (m_handle == kNullHandle) return false;
    const auto* at = static_cast<const uint8_t*>(bytes);
    // The platform writes at most 4 GB - 1 per call.
    while (length > 0) {
        const uint32_t chunk = length > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                                              : static_cast<uint32_t>(length);
        if (!Platform().WriteFile(m_handle, at, chunk)) return false;
        at += chunk;
        length -= chunk;
    }
    return true;
}

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

}  // namespace qv
