// The one bounded reader of untrusted bytes (mapped files, copies of target
// memory). Every read names an offset and a length that are checked against
// the view's end in 64-bit arithmetic before any byte is touched; a read
// that doesn't fit fails and leaves its output alone. Values are read by
// offset, little-endian, never by casting a pointer into the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

namespace qv {

class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, uint64_t size) : m_data(data), m_size(data ? size : 0) {}

    const uint8_t* data() const { return m_data; }
    uint64_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    bool Contains(uint64_t offset, uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }

    // The sub-view [offset, offset + length), or nullopt when it doesn't fit.
    std::optional<ByteView> Sub(uint64_t offset, uint64_t length) const {
        if (!Contains(offset, length)) return std::nullopt;
        return ByteView(m_data + offset, length);
    }
    // From offset to the end (empty at the end, nullopt past it).
    std::optional<ByteView> From(uint64_t offset) const {
        if (offset > m_size) return std::nullopt;
        return ByteView(m_data + offset, m_size - offset);
    }

    template <typename T>
    bool Read(uint64_t offset, T& out) const {
        static_assert(std::is_integral_v<T>, "integral values only");
        if (!Contains(offset, sizeof(T))) return false;
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<T>(value | (static_cast<T>(m_data[offset + i]) << (8 * i)));
        }
        out = value;
        return true;
    }
    template <typename T>
    std::optional<T> Get(uint64_t offset) const {
        T value{};
        if (!Read(offset, value)) return std::nullopt;
        return value;
    }
    // A value or the given fallback when it doesn't fit.
    template <typename T>
    T GetOr(uint64_t offset, T fallback) const {
        T value{};
        return Read(offset, value) ? value : fallback;
    }

    bool CopyTo(uint64_t offset, void* out, uint64_t length) const {
        if (!Contains(offset, length)) return false;
        if (length) std::memcpy(out, m_data + offset, static_cast<size_t>(length));
        return true;
    }

    // The NUL-terminated string at offset, looking at most maxLength bytes
    // ahead; nullopt when no NUL lies within both the view and maxLength.
    std::optional<std::string_view> CString(uint64_t offset, uint64_t maxLength = UINT64_MAX) const {
        if (offset >= m_size) return std::nullopt;
        const uint64_t room = m_size - offset;
        const uint64_t limit = maxLength < room ? maxLength : room;
        const void* nul = std::memchr(m_data + offset, 0, static_cast<size_t>(limit));
        if (nul == nullptr) return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(m_data + offset),
                                static_cast<size_t>(static_cast<const uint8_t*>(nul) - (m_data + offset)));
    }
    // Up to maxLength bytes from offset, cut at the first NUL or the end of
    // the view (a fixed-size name field such as a section name).
    std::string_view FixedString(uint64_t offset, uint64_t maxLength) const {
        if (offset >= m_size) return {};
        const uint64_t room = m_size - offset;
        const uint64_t limit = maxLength < room ? maxLength : room;
        const void* nul = std::memchr(m_data + offset, 0, static_cast<size_t>(limit));
        const uint64_t length = nul ? static_cast<uint64_t>(static_cast<const uint8_t*>(nul) - (m_data + offset)) : limit;
        return std::string_view(reinterpret_cast<const char*>(m_data + offset), static_cast<size_t>(length));
    }

private:
    const uint8_t* m_data = nullptr;
    uint64_t m_size = 0;
};

}  // namespace qv
