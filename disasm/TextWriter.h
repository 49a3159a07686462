// Appends text to a fixed-size field without ever writing past it. The
// numbers use the decoder's fixed-width upper-case hex; no printf in the
// hot path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::disasm {

class TextWriter {
public:
    TextWriter(char* buffer, size_t capacity) : m_buf(buffer), m_cap(capacity) { m_buf[0] = '\0'; }

    void Clear() { m_len = 0; m_buf[0] = '\0'; }
    bool Empty() const { return m_len == 0; }

    TextWriter& Str(const char* s) {
        while (*s && m_len + 1 < m_cap) m_buf[m_len++] = *s++;
        m_buf[m_len] = '\0';
        return *this;
    }
    TextWriter& Char(char c) {
        if (m_len + 1 < m_cap) m_buf[m_len++] = c;
        m_buf[m_len] = '\0';
        return *this;
    }
    // `digits` upper-case hex digits of value, leading zeros kept.
    TextWriter& Hex(uint32_t value, int digits) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) Char(kDigits[(value >> shift) & 0xF]);
        return *this;
    }
    TextWriter& Hex2(uint32_t value) { return Hex(value & 0xFF, 2); }
    TextWriter& Hex4(uint32_t value) { return Hex(value & 0xFFFF, 4); }
    TextWriter& Hex8(uint32_t value) { return Hex(value, 8); }
    // A signed 8-bit value as "+" or "-" and two digits of its magnitude.
    TextWriter& Signed8(uint8_t value) {
        const int v = static_cast<int8_t>(value);
        Char(v < 0 ? '-' : '+');
        return Hex2(static_cast<uint32_t>(v < 0 ? -v : v));
    }

private:
    char* m_buf;
    size_t m_cap;
    size_t m_len = 0;
};

}  // namespace qv::disasm
