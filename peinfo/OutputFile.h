// A file the dumper writes into the current directory through the platform,
// so that the sim machine and Windows both see it. Closed when it goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

namespace qv {

class OutputFile {
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const { return m_handle != kNullHandle; }
    bool Write(const void* bytes, uint64_t length);
    bool Write(const std::vector<uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

private:
    Handle m_handle;
};

// Little-endian fields appended to a byte buffer.
void PutU16(std::vector<uint8_t>& out, uint32_t value);
void PutU32(std::vector<uint8_t>& out, uint32_t value);

}  // namespace qv
