// The in-memory list view: columns, rows with cell texts, item data and
// states, and the notifications the real control sends, delivered on the
// calling thread. Its sort is deliberately not stable (rows that compare
// equal come out in a varying order), so that nothing can rely on an order
// the real control doesn't promise. Tests act as the user through
// ClickItem and ClickColumn.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "framework/ListView.h"

namespace qv {

class CHeadlessListView : public IListView {
public:
    // Notifications the owner leaves go to parent (when not null) as
    // kWmNotify with wParam = id.
    explicit CHeadlessListView(CWnd* parent = nullptr, int id = 0);

    // A left click on a row (-1: on the empty space below the rows): every
    // other row loses selection and focus, the row gains both; then NM_CLICK.
    void ClickItem(int item);
    // A click on a column header: LVN_COLUMNCLICK.
    void ClickColumn(int column);

    void SetOwner(CListCtrl* owner) override;
    int InsertColumn(int column, const std::string& heading, int format, int width) override;
    int GetColumnCount() const override;
    std::optional<std::string> GetColumnText(int column) const override;
    bool SetColumnText(int column, const std::string& heading) override;
    int GetColumnWidth(int column) const override;
    bool SetColumnWidth(int column, int width) override;
    int InsertItem(int item, const std::string& text) override;
    bool SetItemText(int item, int subItem, const std::string& text) override;
    std::string GetItemText(int item, int subItem) const override;
    bool SetItemData(int item, uintptr_t data) override;
    uintptr_t GetItemData(int item) const override;
    bool DeleteItem(int item) override;
    bool DeleteAllItems() override;
    int GetItemCount() const override;
    int FindItem(const ListFindInfo& find, int start) const override;
    bool SortItems(PFNLVCOMPARE compare, LParam sortData) override;
    uint32_t SetExtendedStyle(uint32_t style) override;
    uint32_t GetExtendedStyle() const override;
    bool SetItemState(int item, uint32_t state, uint32_t mask) override;
    uint32_t GetItemState(int item, uint32_t mask) const override;
    int GetNextItem(int item, uint32_t flags) const override;

private:
    struct Column {
        std::string heading;
        int format = kLvcfmtLeft;
        int width = 0;
    };
    struct Row {
        std::vector<std::string> cells;
        uintptr_t data = 0;
        uint32_t state = 0;
    };

    bool IsRow(int item) const { return item >= 0 && item < GetItemCount(); }
    bool IsColumn(int column) const { return column >= 0 && column < GetColumnCount(); }
    // Changes one row's state and tells about it when anything changed.
    void ChangeState(int item, uint32_t state, uint32_t mask);
    LResult Notify(ListNotify notify);

    CWnd* m_pParent;
    int m_nId;
    CListCtrl* m_pOwner = nullptr;
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    uint32_t m_extendedStyle = 0;
    std::minstd_rand m_shuffle;
};

}  // namespace qv
