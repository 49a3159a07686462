// The real comctl32 list view behind CListCtrl. The control sends its
// notifications to its parent window as WM_NOTIFY with an NMLISTVIEW; the
// parent's window procedure hands them to RouteListViewNotify, which
// reflects them to the owning CListCtrl and passes the rest on, in the
// framework's form, to the parent CWnd.
#pragma once

#include <memory>

#include "framework/ListView.h"
#include "platform/win32/WinApi.h"

namespace qv {

class CWin32ListView : public IListView {
public:
    // list: an existing list view window (a dialog item); parent: the CWnd
    // that gets the notifications the owner leaves (may be null).
    CWin32ListView(HWND list, CWnd* parent);
    ~CWin32ListView() override;
    CWin32ListView(const CWin32ListView&) = delete;
    CWin32ListView& operator=(const CWin32ListView&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The view of a list view window, or null when none is attached to it.
    static CWin32ListView* FromHandle(HWND list);
    LResult Deliver(const ListNotify& notify);

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
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND m_hWnd;
    CWnd* m_pParent;
    CListCtrl* m_pOwner = nullptr;
};

// For a WM_NOTIFY (lParam: the NMHDR) from a list view with a view attached:
// delivers it and sets result; false for any other notification.
bool RouteListViewNotify(LPARAM lParam, LResult& result);

// A report-style list view in a hidden window of its own, for programs that
// sample without a dialog (end-to-end tests, benchmarks); its notifications
// go to parent (may be null). The window goes with the view.
std::unique_ptr<CWin32ListView> CreateHiddenListView(int id, CWnd* parent);

}  // namespace qv
