// The one place the decoder fetches code bytes. Reads go through ByteView's
// bounds check; a byte past the end of the buffer reads as zero, and the
// cursor remembers how far the instruction wanted to read so that the core
// can tell a cut-off instruction from a whole one.
#pragma once

#include <cstdint>

#include "base/ByteView.h"

namespace qv::disasm {

class CodeCursor {
public:
    CodeCursor(ByteView code, uint64_t start) : m_code(code), m_start(start), m_pos(start) {}

    uint8_t Peek(uint64_t ahead = 0) const { return m_code.GetOr<uint8_t>(m_pos + ahead, 0); }
    uint8_t Next() {
        const uint8_t value = Peek();
        ++m_pos;
        return value;
    }
    uint16_t Next16() {
        const uint16_t low = Next();
        return static_cast<uint16_t>(low | (Next() << 8));
    }
    uint32_t Next32() {
        const uint32_t low = Next16();
        return low | (static_cast<uint32_t>(Next16()) << 16);
    }

    // Bytes taken since the instruction's first byte.
    uint32_t Consumed() const { return static_cast<uint32_t>(m_pos - m_start); }
    // Bytes of the buffer from the instruction's first byte to its end.
    uint64_t Available() const { return m_start < m_code.size() ? m_code.size() - m_start : 0; }

private:
    ByteView m_code;
    uint64_t m_start;
    uint64_t m_pos;
};

}  // namespace qv::disasm
