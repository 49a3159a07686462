// The list view seam behind CListCtrl: the report-style list view's messages
// as one interface, implemented by the real comctl32 control (win32) and by
// an in-memory twin (headless). Indexes are signed, -1 = none; a call with an
// index out of range fails and changes nothing, as the real control does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/Wnd.h"

namespace qv {

class CListCtrl;

inline constexpr uint32_t kWmNotify = 0x004E;
// Notification codes (LVN_FIRST - 1, LVN_FIRST - 8, NM_FIRST - 2).
inline constexpr uint32_t kLvnItemChanged = 0xFFFFFF9B;
inline constexpr uint32_t kLvnColumnClick = 0xFFFFFF94;
inline constexpr uint32_t kNmClick = 0xFFFFFFFE;

// Item states and the "what changed" bit of an item-changed notification.
inline constexpr uint32_t kLvisFocused = 0x0001;
inline constexpr uint32_t kLvisSelected = 0x0002;
inline constexpr uint32_t kLvifState = 0x0008;
// GetNextItem flags.
inline constexpr uint32_t kLvniAll = 0x0000;
inline constexpr uint32_t kLvniFocused = 0x0001;
inline constexpr uint32_t kLvniSelected = 0x0002;
// Extended styles.
inline constexpr uint32_t kLvsExGridLines = 0x00000001;
inline constexpr uint32_t kLvsExFullRowSelect = 0x00000020;
// Column alignment.
inline constexpr int kLvcfmtLeft = 0;
inline constexpr int kLvcfmtRight = 1;
// FindItem: by item data, or by the exact text of column 0.
inline constexpr uint32_t kLvfiParam = 0x0001;
inline constexpr uint32_t kLvfiString = 0x0002;

// A list view notification as the parent (WM_NOTIFY, lParam points to it) and
// the control itself (reflection) see it: NMLISTVIEW's fields.
struct ListNotify {
    uintptr_t idFrom = 0;
    uint32_t code = 0;
    int32_t iItem = -1;
    int32_t iSubItem = 0;
    uint32_t uNewState = 0;
    uint32_t uOldState = 0;
    uint32_t uChanged = 0;
    LParam lParam = 0;
};

struct ListFindInfo {
    uint32_t flags = kLvfiParam;
    std::string psz;
    LParam lParam = 0;
};

// The item sort's comparison: item data of two rows and the caller's value;
// negative, 0 or positive.
using PFNLVCOMPARE = int (*)(LParam item1, LParam item2, LParam sortData);

class IListView {
public:
    virtual ~IListView() = default;

    // Notifications go to owner->OnChildNotify first; those it leaves go to
    // the parent window as kWmNotify.
    virtual void SetOwner(CListCtrl* owner) = 0;

    virtual int InsertColumn(int column, const std::string& heading, int format, int width) = 0;
    virtual int GetColumnCount() const = 0;
    virtual std::optional<std::string> GetColumnText(int column) const = 0;
    virtual bool SetColumnText(int column, const std::string& heading) = 0;
    virtual int GetColumnWidth(int column) const = 0;
    virtual bool SetColumnWidth(int column, int width) = 0;

    virtual int InsertItem(int item, const std::string& text) = 0;
    virtual bool SetItemText(int item, int subItem, const std::string& text) = 0;
    virtual std::string GetItemText(int item, int subItem) const = 0;
    virtual bool SetItemData(int item, uintptr_t data) = 0;
    virtual uintptr_t GetItemData(int item) const = 0;
    virtual bool DeleteItem(int item) = 0;
    virtual bool DeleteAllItems() = 0;
    virtual int GetItemCount() const = 0;
    virtual int FindItem(const ListFindInfo& find, int start) const = 0;
    virtual bool SortItems(PFNLVCOMPARE compare, LParam sortData) = 0;

    virtual uint32_t SetExtendedStyle(uint32_t style) = 0;
    virtual uint32_t GetExtendedStyle() const = 0;
    virtual bool SetItemState(int item, uint32_t state, uint32_t mask) = 0;
    virtual uint32_t GetItemState(int item, uint32_t mask) const = 0;
    virtual int GetNextItem(int item, uint32_t flags) const = 0;
};

}  // namespace qv
