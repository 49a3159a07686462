#include "framework/headless/EditText.h"

#include <algorithm>
#include <cstring>

namespace qv {

void EditText::SetText(const std::string& text) {
    m_text = text;
    m_selStart = m_selEnd = 0;
}

LResult EditText::Handle(uint32_t message, WParam wParam, LParam lParam, bool& handled) {
    handled = true;
    switch (message) {
    case kWmGetTextLength:
        return static_cast<LResult>(m_text.size());
    case kWmGetText: {
        if (wParam == 0 || lParam == 0) return 0;
        const size_t count = std::min<size_t>(wParam - 1, m_text.size());
        std::memcpy(reinterpret_cast<char*>(lParam), m_text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LResult>(count);
    }
    case kWmSetText:
        SetText(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return 1;
    case kEmSetSel: {
        // Negative or past-the-end positions select up to the end, as the
        // control does.
        const auto clamp = [this](WParam value) {
            return static_cast<LParam>(value) < 0 ? m_text.size() : std::min<size_t>(value, m_text.size());
        };
        m_selStart = clamp(wParam);
        m_selEnd = clamp(static_cast<WParam>(lParam));
        if (m_selStart > m_selEnd) std::swap(m_selStart, m_selEnd);
        return 0;
    }
    case kEmReplaceSel: {
        const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        const size_t start = std::min(m_selStart, m_text.size());
        const size_t end = std::min(m_selEnd, m_text.size());
        const bool atEnd = start == m_text.size();
        m_text.replace(start, end - start, text);
        m_selStart = m_selEnd = start + std::strlen(text);
        if (atEnd && m_echo) {
            std::fputs(text, m_echo);
            std::fflush(m_echo);
        }
        return 0;
    }
    case kEmSetLimitText:
        return 0;
    default:
        handled = false;
        return 0;
    }
}

}  // namespace qv
