#include "monitor/SortList.h"

#include <climits>

namespace qv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(long long value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// atoi as the runtime reads it: leading blanks, a sign, digits up to the
// first other character; out-of-range values saturate.
long long ReadNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return negative ? -value : value;
}

// The number at a field of a date text; only the first text is known to
// have the date form, so the second may end before the field.
long long DigitsAt(std::string_view text, size_t from, size_t count) {
    return from < text.size() ? ReadNumber(text.substr(from, count)) : 0;
}

}  // namespace

bool CSortList::IsNumber(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

bool CSortList::IsDate(std::string_view text) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
    for (size_t at : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (!IsDigit(text[at])) return false;
    }
    return true;
}

int CSortList::CompareNumbers(std::string_view first, std::string_view second) {
    return Sign(ReadNumber(first) - ReadNumber(second));
}

int CSortList::CompareDates(std::string_view first, std::string_view second) {
    // Year, then the middle field, then the first.
    static constexpr struct {
        size_t from;
        size_t count;
    } kFields[] = {{6, 4}, {3, 2}, {0, 2}};
    for (const auto& field : kFields) {
        const int order = Sign(DigitsAt(first, field.from, field.count) - DigitsAt(second, field.from, field.count));
        if (order != 0) return order;
    }
    return 0;
}

int CSortList::CompareTexts(std::string_view first, std::string_view second) {
    if (IsNumber(first)) return CompareNumbers(first, second);
    if (IsDate(first)) return CompareDates(first, second);
    // Byte by byte as unsigned characters, as strcmp does; the end of a text
    // sorts before any character.
    for (size_t at = 0; at < first.size(); ++at) {
        if (at >= second.size()) return 1;
        const auto a = static_cast<unsigned char>(first[at]);
        const auto b = static_cast<unsigned char>(second[at]);
        if (a != b) return a < b ? -1 : 1;
    }
    return second.size() > first.size() ? -1 : 0;
}

std::string CSortList::ToLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

int CSortList::Compare(LParam item1, LParam item2, LParam list) {
    const auto* self = reinterpret_cast<const CSortList*>(list);
    const auto first = self->m_sortTexts.find(static_cast<uintptr_t>(item1));
    const auto second = self->m_sortTexts.find(static_cast<uintptr_t>(item2));
    if (first == self->m_sortTexts.end() || second == self->m_sortTexts.end()) return 0;
    const int order = CompareTexts(first->second, second->second);
    return self->m_bAscending ? order : -order;
}

void CSortList::Sort() {
    // Before any header was clicked every comparison is equal: the order
    // stays as it is, whatever the item sort does with equal rows.
    if (m_nSortColumn < 0) return;
    m_sortTexts.clear();
    const int rows = GetItemCount();
    m_sortTexts.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        m_sortTexts.try_emplace(GetItemData(row), ToLower(GetItemText(row, m_nSortColumn)));
    }
    SortItems(&CSortList::Compare, reinterpret_cast<LParam>(this));
    m_sortTexts.clear();
}

LResult CSortList::OnColumnClick(int column) {
    if (column != m_nSortColumn) {
        m_bAscending = true;
        m_nSortColumn = column;
    } else {
        m_bAscending = !m_bAscending;
    }
    Sort();
    return 0;
}

bool CSortList::OnChildNotify(const ListNotify& notify, LResult& result) {
    if (notify.code != kLvnColumnClick) return false;
    result = OnColumnClick(notify.iSubItem);
    return true;
}

}  // namespace qv
