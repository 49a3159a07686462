#include "framework/ListCtrl.h"

namespace qv {

CListCtrl::CListCtrl() = default;

CListCtrl::~CListCtrl() {
    if (m_pView) m_pView->SetOwner(nullptr);
}

void CListCtrl::Attach(std::unique_ptr<IListView> view) {
    if (m_pView) m_pView->SetOwner(nullptr);
    m_pView = std::move(view);
    if (m_pView) m_pView->SetOwner(this);
}

int CListCtrl::InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth) {
    return m_pView ? m_pView->InsertColumn(nCol, heading, nFormat, nWidth) : -1;
}

int CListCtrl::GetColumnCount() const { return m_pView ? m_pView->GetColumnCount() : 0; }

std::optional<std::string> CListCtrl::GetColumnText(int nCol) const {
    return m_pView ? m_pView->GetColumnText(nCol) : std::nullopt;
}

bool CListCtrl::SetColumnText(int nCol, const std::string& heading) {
    return m_pView && m_pView->SetColumnText(nCol, heading);
}

int CListCtrl::GetColumnWidth(int nCol) const { return m_pView ? m_pView->GetColumnWidth(nCol) : 0; }

bool CListCtrl::SetColumnWidth(int nCol, int cx) { return m_pView && m_pView->SetColumnWidth(nCol, cx); }

int CListCtrl::InsertItem(int nItem, const std::string& text) {
    return m_pView ? m_pView->InsertItem(nItem, text) : -1;
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) {
    return m_pView && m_pView->SetItemText(nItem, nSubItem, text);
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    return m_pView ? m_pView->GetItemText(nItem, nSubItem) : std::string();
}

bool CListCtrl::SetItemData(int nItem, uintptr_t data) { return m_pView && m_pView->SetItemData(nItem, data); }

uintptr_t CListCtrl::GetItemData(int nItem) const { return m_pView ? m_pView->GetItemData(nItem) : 0; }

bool CListCtrl::DeleteItem(int nItem) { return m_pView && m_pView->DeleteItem(nItem); }

bool CListCtrl::DeleteAllItems() { return m_pView && m_pView->DeleteAllItems(); }

int CListCtrl::GetItemCount() const { return m_pView ? m_pView->GetItemCount() : 0; }

int CListCtrl::FindItem(const ListFindInfo& find, int nStart) const {
    return m_pView ? m_pView->FindItem(find, nStart) : -1;
}

bool CListCtrl::SortItems(PFNLVCOMPARE compare, LParam sortData) {
    return m_pView && compare && m_pView->SortItems(compare, sortData);
}

uint32_t CListCtrl::SetExtendedStyle(uint32_t style) { return m_pView ? m_pView->SetExtendedStyle(style) : 0; }

uint32_t CListCtrl::GetExtendedStyle() const { return m_pView ? m_pView->GetExtendedStyle() : 0; }

bool CListCtrl::SetItemState(int nItem, uint32_t nState, uint32_t nMask) {
    return m_pView && m_pView->SetItemState(nItem, nState, nMask);
}

uint32_t CListCtrl::GetItemState(int nItem, uint32_t nMask) const {
    return m_pView ? m_pView->GetItemState(nItem, nMask) : 0;
}

int CListCtrl::GetNextItem(int nItem, uint32_t nFlags) const {
    return m_pView ? m_pView->GetNextItem(nItem, nFlags) : -1;
}

bool CListCtrl::OnChildNotify(const ListNotify&, LResult&) { return false; }

LResult DeliverListNotify(CListCtrl* owner, CWnd* parent, const ListNotify& notify) {
    LResult result = 0;
    if (owner && owner->OnChildNotify(notify, result)) return result;
    if (parent) return parent->SendMessage(kWmNotify, notify.idFrom, reinterpret_cast<LParam>(&notify));
    return 0;
}

}  // namespace qv
