#include "framework/headless/HeadlessListView.h"

#include <algorithm>
#include <functional>
#include <numeric>

#include "base/AsciiText.h"
#include "framework/ListCtrl.h"

namespace qv {

namespace {

// A bottom-up merge sort of indexes: it only ever compares elements inside
// the range, so a comparison that is not a strict weak order (the monitor's
// text-decided kinds) can misorder rows but never run past them.
void MergeSort(std::vector<size_t>& order, const std::function<bool(size_t, size_t)>& less) {
    std::vector<size_t> merged(order.size());
    for (size_t width = 1; width < order.size(); width *= 2) {
        for (size_t left = 0; left < order.size(); left += 2 * width) {
            const size_t middle = std::min(left + width, order.size());
            const size_t right = std::min(left + 2 * width, order.size());
            size_t a = left;
            size_t b = middle;
            size_t out = left;
            while (a < middle && b < right) merged[out++] = less(order[b], order[a]) ? order[b++] : order[a++];
            while (a < middle) merged[out++] = order[a++];
            while (b < right) merged[out++] = order[b++];
        }
        order.swap(merged);
    }
}

}  // namespace

CHeadlessListView::CHeadlessListView(CWnd* parent, int id) : m_pParent(parent), m_nId(id) {}

void CHeadlessListView::SetOwner(CListCtrl* owner) { m_pOwner = owner; }

LResult CHeadlessListView::Notify(ListNotify notify) {
    notify.idFrom = static_cast<uintptr_t>(m_nId);
    return DeliverListNotify(m_pOwner, m_pParent, notify);
}

void CHeadlessListView::ClickItem(int item) {
    for (int other = 0; other < GetItemCount(); ++other) {
        if (other != item) ChangeState(other, 0, kLvisSelected | kLvisFocused);
    }
    if (IsRow(item)) ChangeState(item, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
    ListNotify click;
    click.code = kNmClick;
    click.iItem = IsRow(item) ? item : -1;
    Notify(click);
}

void CHeadlessListView::ClickColumn(int column) {
    if (!IsColumn(column)) return;
    ListNotify click;
    click.code = kLvnColumnClick;
    click.iItem = -1;
    click.iSubItem = column;
    Notify(click);
}

int CHeadlessListView::InsertColumn(int column, const std::string& heading, int format, int width) {
    if (column < 0) return -1;
    const int at = std::min(column, GetColumnCount());
    m_columns.insert(m_columns.begin() + at, Column{heading, format, std::max(width, 0)});
    for (Row& row : m_rows) row.cells.insert(row.cells.begin() + at, std::string());
    return at;
}

int CHeadlessListView::GetColumnCount() const { return static_cast<int>(m_columns.size()); }

std::optional<std::string> CHeadlessListView::GetColumnText(int column) const {
    if (!IsColumn(column)) return std::nullopt;
    return m_columns[static_cast<size_t>(column)].heading;
}

bool CHeadlessListView::SetColumnText(int column, const std::string& heading) {
    if (!IsColumn(column)) return false;
    m_columns[static_cast<size_t>(column)].heading = heading;
    return true;
}

int CHeadlessListView::GetColumnWidth(int column) const {
    return IsColumn(column) ? m_columns[static_cast<size_t>(column)].width : 0;
}

bool CHeadlessListView::SetColumnWidth(int column, int width) {
    if (!IsColumn(column)) return false;
    m_columns[static_cast<size_t>(column)].width = std::max(width, 0);
    return true;
}

int CHeadlessListView::InsertItem(int item, const std::string& text) {
    if (item < 0) return -1;
    const int at = std::min(item, GetItemCount());
    Row row;
    row.cells.resize(std::max<size_t>(m_columns.size(), 1));
    row.cells[0] = text;
    m_rows.insert(m_rows.begin() + at, std::move(row));
    return at;
}

bool CHeadlessListView::SetItemText(int item, int subItem, const std::string& text) {
    if (!IsRow(item) || subItem < 0) return false;
    auto& cells = m_rows[static_cast<size_t>(item)].cells;
    if (static_cast<size_t>(subItem) >= cells.size()) return false;
    cells[static_cast<size_t>(subItem)] = text;
    return true;
}

std::string CHeadlessListView::GetItemText(int item, int subItem) const {
    if (!IsRow(item) || subItem < 0) return std::string();
    const auto& cells = m_rows[static_cast<size_t>(item)].cells;
    return static_cast<size_t>(subItem) < cells.size() ? cells[static_cast<size_t>(subItem)] : std::string();
}

bool CHeadlessListView::SetItemData(int item, uintptr_t data) {
    if (!IsRow(item)) return false;
    m_rows[static_cast<size_t>(item)].data = data;
    return true;
}

uintptr_t CHeadlessListView::GetItemData(int item) const {
    return IsRow(item) ? m_rows[static_cast<size_t>(item)].data : 0;
}

bool CHeadlessListView::DeleteItem(int item) {
    if (!IsRow(item)) return false;
    m_rows.erase(m_rows.begin() + item);
    return true;
}

bool CHeadlessListView::DeleteAllItems() {
    m_rows.clear();
    return true;
}

int CHeadlessListView::GetItemCount() const { return static_cast<int>(m_rows.size()); }

int CHeadlessListView::FindItem(const ListFindInfo& find, int start) const {
    for (int item = std::max(start + 1, 0); item < GetItemCount(); ++item) {
        const Row& row = m_rows[static_cast<size_t>(item)];
        if ((find.flags & kLvfiParam) && row.data == static_cast<uintptr_t>(find.lParam)) return item;
        if ((find.flags & kLvfiString) && EqualsIgnoreCase(row.cells[0], find.psz)) return item;
    }
    return -1;
}

bool CHeadlessListView::SortItems(PFNLVCOMPARE compare, LParam sortData) {
    std::vector<size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Rows that compare equal end up in a varying order, as with the real
    // control: the merge keeps the shuffled order among them.
    std::shuffle(order.begin(), order.end(), m_shuffle);
    MergeSort(order, [&](size_t a, size_t b) {
        return compare(static_cast<LParam>(m_rows[a].data), static_cast<LParam>(m_rows[b].data), sortData) < 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (size_t index : order) sorted.push_back(std::move(m_rows[index]));
    m_rows.swap(sorted);
    return true;
}

uint32_t CHeadlessListView::SetExtendedStyle(uint32_t style) {
    const uint32_t previous = m_extendedStyle;
    m_extendedStyle = style;
    return previous;
}

uint32_t CHeadlessListView::GetExtendedStyle() const { return m_extendedStyle; }

void CHeadlessListView::ChangeState(int item, uint32_t state, uint32_t mask) {
    Row& row = m_rows[static_cast<size_t>(item)];
    const uint32_t old = row.state;
    const uint32_t updated = (old & ~mask) | (state & mask);
    if (updated == old) return;
    row.state = updated;
    ListNotify changed;
    changed.code = kLvnItemChanged;
    changed.iItem = item;
    changed.uNewState = updated;
    changed.uOldState = old;
    changed.uChanged = kLvifState;
    changed.lParam = static_cast<LParam>(row.data);
    Notify(changed);
}

bool CHeadlessListView::SetItemState(int item, uint32_t state, uint32_t mask) {
    if (item != -1 && !IsRow(item)) return false;
    // Focus belongs to one row at a time.
    if ((mask & state & kLvisFocused) && item != -1) {
        for (int other = 0; other < GetItemCount(); ++other) {
            if (other != item) ChangeState(other, 0, kLvisFocused);
        }
    }
    if (item != -1) {
        ChangeState(item, state, mask);
        return true;
    }
    for (int each = 0; each < GetItemCount(); ++each) ChangeState(each, state, mask);
    return true;
}

uint32_t CHeadlessListView::GetItemState(int item, uint32_t mask) const {
    return IsRow(item) ? m_rows[static_cast<size_t>(item)].state & mask : 0;
}

int CHeadlessListView::GetNextItem(int item, uint32_t flags) const {
    const uint32_t wanted = flags & (kLvniSelected | kLvniFocused);
    for (int next = std::max(item + 1, 0); next < GetItemCount(); ++next) {
        if ((m_rows[static_cast<size_t>(next)].state & wanted) == wanted) return next;
    }
    return -1;
}

}  // namespace qv
