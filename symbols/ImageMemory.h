// Bounded access to a module image as loaded in memory: the traced
// process's (through target memory reads) or the tool's own (through the
// readable-memory probe). A read that touches any unreadable byte fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/PlatformTypes.h"

namespace qv {

class ImageMemory {
public:
    virtual ~ImageMemory() = default;
    virtual bool Read(uint64_t address, void* buffer, size_t size) const = 0;

    // The NUL-terminated string at address, at most maxLength characters.
    std::optional<std::string> ReadString(uint64_t address, size_t maxLength) const;
};

// The traced process, read a page at a time and each page kept for the
// lifetime of the object (one lookup), so that walking many names costs a
// few reads.
class TargetImageMemory final : public ImageMemory {
public:
    explicit TargetImageMemory(Handle process) : m_process(process) {}
    bool Read(uint64_t address, void* buffer, size_t size) const override;

private:
    const std::vector<uint8_t>* Page(uint64_t pageAddress) const;

    Handle m_process;
    mutable std::unordered_map<uint64_t, std::vector<uint8_t>> m_pages;  // empty = unreadable
};

// The tool's own process.
class OwnImageMemory final : public ImageMemory {
public:
    bool Read(uint64_t address, void* buffer, size_t size) const override;
};

}  // namespace qv
