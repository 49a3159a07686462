// The names one report reads together take no more bytes than the file
// holds. A well-formed file stores each name once; crafted tables that point
// many entries at one long name would otherwise make a report, its time and
// the records it collects grow with the square of the file. A name that no
// longer fits reads as unreadable, which ends a walk as a broken name does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ByteView.h"

namespace qv {

class NameBudget {
public:
    explicit NameBudget(ByteView image) : m_bytesLeft(image.size()) {}

    // The NUL-terminated name at offset in view, its terminator counted.
    std::optional<std::string_view> CString(ByteView view, uint64_t offset);
    // The NUL-terminated UTF-16 name at offset in view, in the log's 8-bit text.
    std::optional<std::string> Utf16Z(ByteView view, uint64_t offset);

private:
    uint64_t m_bytesLeft;
};

}  // namespace qv
