// The server's own code bytes: a copy of the .text section taken at start,
// compared with the live section on request and at exit, so a test can see
// whether a tracer left anything (a 0xCC) behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace demo {

class CodeSnapshot {
public:
    // Copies the .text section of the module at base; false when the image
    // has none.
    bool Take(uintptr_t moduleBase);
    // The offsets (from the start of .text) of bytes that differ now.
    std::vector<size_t> Differences() const;
    size_t Size() const { return m_copy.size(); }

private:
    const uint8_t* m_live = nullptr;
    std::vector<uint8_t> m_copy;
};

}  // namespace demo
