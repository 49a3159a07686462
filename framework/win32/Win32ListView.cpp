#include "framework/win32/Win32ListView.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "framework/ListCtrl.h"

namespace qv {

namespace {

constexpr const char* kViewProperty = "QvListView";

struct SortCall {
    PFNLVCOMPARE compare;
    LParam sortData;
};

int CALLBACK SortTrampoline(LPARAM item1, LPARAM item2, LPARAM call) {
    const auto* sort = reinterpret_cast<const SortCall*>(call);
    return sort->compare(item1, item2, sort->sortData);
}

}  // namespace

CWin32ListView::CWin32ListView(HWND list, CWnd* parent) : m_hWnd(list), m_pParent(parent) {
    ::SetPropA(m_hWnd, kViewProperty, this);
}

CWin32ListView::~CWin32ListView() { ::RemovePropA(m_hWnd, kViewProperty); }

CWin32ListView* CWin32ListView::FromHandle(HWND list) {
    return static_cast<CWin32ListView*>(::GetPropA(list, kViewProperty));
}

LResult CWin32ListView::Deliver(const ListNotify& notify) { return DeliverListNotify(m_pOwner, m_pParent, notify); }

LRESULT CWin32ListView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

void CWin32ListView::SetOwner(CListCtrl* owner) { m_pOwner = owner; }

int CWin32ListView::InsertColumn(int column, const std::string& heading, int format, int width) {
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    info.fmt = format;
    info.pszText = const_cast<char*>(heading.c_str());
    info.iSubItem = column;
    if (width >= 0) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

int CWin32ListView::GetColumnCount() const {
    const auto header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::optional<std::string> CWin32ListView::GetColumnText(int column) const {
    std::vector<char> buffer(1024, '\0');
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = buffer.data();
    info.cchTextMax = static_cast<int>(buffer.size());
    if (!Send(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info))) return std::nullopt;
    buffer.back() = '\0';
    return std::string(info.pszText);
}

bool CWin32ListView::SetColumnText(int column, const std::string& heading) {
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = const_cast<char*>(heading.c_str());
    return Send(LVM_SETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)) != 0;
}

int CWin32ListView::GetColumnWidth(int column) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

bool CWin32ListView::SetColumnWidth(int column, int width) {
    return Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0;
}

int CWin32ListView::InsertItem(int item, const std::string& text) {
    LVITEMA info{};
    info.mask = LVIF_TEXT;
    info.iItem = item;
    info.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&info)));
}

bool CWin32ListView::SetItemText(int item, int subItem, const std::string& text) {
    LVITEMA info{};
    info.iSubItem = subItem;
    info.pszText = const_cast<char*>(text.c_str());
    return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

std::string CWin32ListView::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= GetItemCount()) return std::string();
    // The control says only how much it copied: grow until the text fits.
    for (size_t size = 256; size <= (size_t{1} << 20); size *= 2) {
        std::vector<char> buffer(size, '\0');
        LVITEMA info{};
        info.iSubItem = subItem;
        info.pszText = buffer.data();
        info.cchTextMax = static_cast<int>(size);
        const auto copied = static_cast<size_t>(
            Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
        if (copied + 1 < size) return std::string(info.pszText, std::min(copied, size - 1));
    }
    return std::string();
}

bool CWin32ListView::SetItemData(int item, uintptr_t data) {
    LVITEMA info{};
    info.mask = LVIF_PARAM;
    info.iItem = item;
    info.lParam = static_cast<LPARAM>(data);
    return Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

uintptr_t CWin32ListView::GetItemData(int item) const {
    LVITEMA info{};
    info.mask = LVIF_PARAM;
    info.iItem = item;
    if (!Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info))) return 0;
    return static_cast<uintptr_t>(info.lParam);
}

bool CWin32ListView::DeleteItem(int item) { return Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != 0; }

bool CWin32ListView::DeleteAllItems() { return Send(LVM_DELETEALLITEMS) != 0; }

int CWin32ListView::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int CWin32ListView::FindItem(const ListFindInfo& find, int start) const {
    LVFINDINFOA info{};
    info.flags = find.flags & (LVFI_PARAM | LVFI_STRING);
    info.psz = find.psz.c_str();
    info.lParam = find.lParam;
    return static_cast<int>(Send(LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&info)));
}

bool CWin32ListView::SortItems(PFNLVCOMPARE compare, LParam sortData) {
    SortCall call{compare, sortData};
    return Send(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&call), reinterpret_cast<LPARAM>(&SortTrampoline)) != 0;
}

uint32_t CWin32ListView::SetExtendedStyle(uint32_t style) {
    return static_cast<uint32_t>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
}

uint32_t CWin32ListView::GetExtendedStyle() const {
    return static_cast<uint32_t>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE));
}

bool CWin32ListView::SetItemState(int item, uint32_t state, uint32_t mask) {
    LVITEMA info{};
    info.state = state;
    info.stateMask = mask;
    return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)) != 0;
}

uint32_t CWin32ListView::GetItemState(int item, uint32_t mask) const {
    return static_cast<uint32_t>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
}

int CWin32ListView::GetNextItem(int item, uint32_t flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(item), MAKELPARAM(flags, 0)));
}

bool RouteListViewNotify(LPARAM lParam, LResult& result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return false;
    CWin32ListView* view = CWin32ListView::FromHandle(header->hwndFrom);
    if (!view) return false;
    ListNotify notify;
    notify.idFrom = header->idFrom;
    notify.code = header->code;
    // These notifications carry an NMLISTVIEW (NM_CLICK's NMITEMACTIVATE
    // starts with the same fields).
    if (header->code == LVN_ITEMCHANGED || header->code == LVN_COLUMNCLICK || header->code == NM_CLICK) {
        const auto* list = reinterpret_cast<const NMLISTVIEW*>(lParam);
        notify.iItem = list->iItem;
        notify.iSubItem = list->iSubItem;
        notify.uNewState = list->uNewState;
        notify.uOldState = list->uOldState;
        notify.uChanged = list->uChanged;
        notify.lParam = list->lParam;
    }
    result = view->Deliver(notify);
    return true;
}

namespace {

constexpr const char* kHostClass = "QvListHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LResult result = 0;
    if (message == WM_NOTIFY && RouteListViewNotify(lParam, result)) return static_cast<LRESULT>(result);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// The view of a list whose hidden host window it destroys with itself.
class CHostedListView : public CWin32ListView {
public:
    CHostedListView(HWND host, HWND list, CWnd* parent) : CWin32ListView(list, parent), m_hHost(host) {}
    ~CHostedListView() override { ::DestroyWindow(m_hHost); }

private:
    HWND m_hHost;
};

}  // namespace

std::unique_ptr<CWin32ListView> CreateHiddenListView(int id, CWnd* parent) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = &HostProc;
    hostClass.hInstance = instance;
    hostClass.lpszClassName = kHostClass;
    ::RegisterClassA(&hostClass);
    HWND host = ::CreateWindowExA(0, kHostClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr, instance,
                                  nullptr);
    if (!host) return nullptr;
    HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                                  800, 600, host, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), instance,
                                  nullptr);
    if (!list) {
        ::DestroyWindow(host);
        return nullptr;
    }
    return std::make_unique<CHostedListView>(host, list, parent);
}

}  // namespace qv
