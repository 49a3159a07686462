#include "peinfo/NameBudget.h"

#include <algorithm>

#include "peinfo/AnsiText.h"

namespace qv {

std::optional<std::string_view> NameBudget::CString(ByteView view, uint64_t offset) {
    const auto name = view.CString(offset, m_bytesLeft);
    if (name) m_bytesLeft -= name->size() + 1;
    return name;
}

std::optional<std::string> NameBudget::Utf16Z(ByteView view, uint64_t offset) {
    if (offset > view.size()) return std::nullopt;
    const uint64_t searched = std::min(view.size() - offset, m_bytesLeft);
    const auto name = Utf16ZToAnsi(*view.Sub(0, offset + searched), offset);
    if (name) m_bytesLeft -= 2 * (name->size() + 1);
    return name;
}

}  // namespace qv
