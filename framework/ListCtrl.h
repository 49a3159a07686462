// CListCtrl: a report-style list view in MFC's shape. The control itself is a
// backend view (the real comctl32 list view, or the headless twin) attached
// once the window exists, as MFC subclasses a dialog item; until then every
// call fails quietly (-1, false, empty).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/ListView.h"

namespace qv {

class CListCtrl {
public:
    CListCtrl();
    virtual ~CListCtrl();
    CListCtrl(const CListCtrl&) = delete;
    CListCtrl& operator=(const CListCtrl&) = delete;

    void Attach(std::unique_ptr<IListView> view);
    bool IsAttached() const { return m_pView != nullptr; }

    int InsertColumn(int nCol, const std::string& heading, int nFormat = kLvcfmtLeft, int nWidth = -1);
    int GetColumnCount() const;
    // The header text of a column; nullopt when the list has no such column.
    std::optional<std::string> GetColumnText(int nCol) const;
    bool SetColumnText(int nCol, const std::string& heading);
    int GetColumnWidth(int nCol) const;
    bool SetColumnWidth(int nCol, int cx);

    // The new row's index, or -1.
    int InsertItem(int nItem, const std::string& text);
    bool SetItemText(int nItem, int nSubItem, const std::string& text);
    // Empty when the row or column doesn't exist.
    std::string GetItemText(int nItem, int nSubItem) const;
    bool SetItemData(int nItem, uintptr_t data);
    uintptr_t GetItemData(int nItem) const;
    bool DeleteItem(int nItem);
    bool DeleteAllItems();
    int GetItemCount() const;
    // The first row after nStart (-1: from the first row) that matches.
    int FindItem(const ListFindInfo& find, int nStart = -1) const;
    // Reorders the rows by the comparison; rows that compare equal keep no
    // promised order.
    bool SortItems(PFNLVCOMPARE compare, LParam sortData);

    // The previous extended style.
    uint32_t SetExtendedStyle(uint32_t style);
    uint32_t GetExtendedStyle() const;
    bool SetItemState(int nItem, uint32_t nState, uint32_t nMask);
    uint32_t GetItemState(int nItem, uint32_t nMask) const;
    int GetNextItem(int nItem, uint32_t nFlags) const;
    // The first selected row, or -1.
    int GetSelectedItem() const { return GetNextItem(-1, kLvniSelected); }

    // A notification of this control, before the parent sees it (MFC's
    // reflection). Return true with result set to keep it from the parent.
    virtual bool OnChildNotify(const ListNotify& notify, LResult& result);

private:
    std::unique_ptr<IListView> m_pView;
};

// Delivers a notification of a list control: to the owner first, then, when
// the owner leaves it, to the parent window as kWmNotify.
LResult DeliverListNotify(CListCtrl* owner, CWnd* parent, const ListNotify& notify);

}  // namespace qv
