// CSortList: a list view whose rows sort by the clicked column, a second
// click on the same header reversing the direction. Cell texts compare as
// numbers, dates or plain text, the kind chosen from the first text of each
// comparison.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "framework/ListCtrl.h"

namespace qv {

class CSortList : public CListCtrl {
public:
    // The reflected LVN_COLUMNCLICK: sort by column, ascending first.
    LResult OnColumnClick(int column);
    // Sorts again by the present column and direction; before any header
    // was clicked it leaves the order alone.
    void Sort();
    // The comparison handed to the item sort: the item data of two rows and
    // the list. Texts come from the table Sort built, so a comparison never
    // searches the list.
    static int Compare(LParam item1, LParam item2, LParam list);

    // The comparison of two lower-cased cell texts, ascending.
    static int CompareTexts(std::string_view first, std::string_view second);
    static bool IsNumber(std::string_view text);
    static bool IsDate(std::string_view text);
    static int CompareNumbers(std::string_view first, std::string_view second);
    static int CompareDates(std::string_view first, std::string_view second);
    static std::string ToLower(std::string_view text);

    bool OnChildNotify(const ListNotify& notify, LResult& result) override;

    bool m_bAscending = true;
    int32_t m_nSortColumn = -1;

private:
    // Item data -> the lower-cased text of the sort column, of the first row
    // with that item data (as a find from the start would give).
    std::unordered_map<uintptr_t, std::string> m_sortTexts;
};

}  // namespace qv
