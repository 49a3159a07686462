#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/headless/HeadlessListView.h"
#include "monitor/SortList.h"

namespace qv {
namespace {

TEST(SortListCompare, ChoosesTheKindFromTheFirstText) {
    struct Case {
        const char* first;
        const char* second;
        int expected;
    };
    const Case cases[] = {
        {"9", "10", -1},                      // numbers, not text
        {"10", "9", 1},
        {"007", "7", 0},
        {"12", "12abc", 0},                   // reading stops at the first non-digit
        {"5", "-3", 1},                       // the second text may carry a sign
        {"99999999999", "2147483647", 0},     // out of range saturates, as atoi does
        {"", "abc", 0},                       // empty first text: numbers, both 0
        {"", "42", -1},
        {"31/12/2020", "01/01/2021", -1},     // dates: the year decides first
        {"01/12/2021", "31/01/2021", 1},      // then the middle field
        {"02/05/2021", "01/05/2021", 1},      // then the first
        {"01/01/2021", "01/01/2021", 0},
        {"15/06/1999", "zzz", 1},             // dates read digits only: "zzz" gives 0s
        {" 5.00", "12.00", -1},               // padded loads compare as text: ' ' < '1'
        {"abc", "abd", -1},
        {"abc", "ab", 1},                     // the end of a text sorts first
        {"ab", "abc", -1},
        {"\xe4\xb8\xad", "a", 1},             // bytes compare unsigned
        {"1d 2h 3m 4s", "10d 0h 0m 0s", 1},   // running time: as text, not by length of time
    };
    for (const Case& test : cases) {
        EXPECT_EQ(CSortList::CompareTexts(test.first, test.second), test.expected)
            << '"' << test.first << "\" vs \"" << test.second << '"';
    }
}

TEST(SortListCompare, TextTests) {
    EXPECT_TRUE(CSortList::IsNumber(""));
    EXPECT_TRUE(CSortList::IsNumber("0123"));
    EXPECT_FALSE(CSortList::IsNumber("-1"));
    EXPECT_FALSE(CSortList::IsNumber(" 5.00"));
    EXPECT_TRUE(CSortList::IsDate("01/02/2003"));
    EXPECT_FALSE(CSortList::IsDate("1/02/2003"));
    EXPECT_FALSE(CSortList::IsDate("01-02-2003"));
    EXPECT_FALSE(CSortList::IsDate("01/02/2003 "));
    EXPECT_FALSE(CSortList::IsDate("01/0a/2003"));
    EXPECT_EQ(CSortList::ToLower("ORACLE.EXE \xC4"), "oracle.exe \xC4");
}

class SortListFixture : public ::testing::Test {
protected:
    SortListFixture() {
        auto view = std::make_unique<CHeadlessListView>();
        m_view = view.get();
        list.Attach(std::move(view));
        list.InsertColumn(0, "PID");
        list.InsertColumn(1, "Name");
    }
    void Rows(const std::vector<std::pair<std::string, std::string>>& rows) {
        for (const auto& [id, name] : rows) {
            const int row = list.InsertItem(list.GetItemCount(), id);
            list.SetItemText(row, 1, name);
            list.SetItemData(row, static_cast<uintptr_t>(row));
        }
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(list.GetItemText(row, column));
        return texts;
    }

    CSortList list;
    CHeadlessListView* m_view = nullptr;
};

TEST_F(SortListFixture, HeaderClicksSortAscendingThenReverse) {
    Rows({{"120", "b.exe"}, {"8", "C.exe"}, {"36", "a.exe"}});
    m_view->ClickColumn(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"8", "36", "120"}));
    EXPECT_TRUE(list.m_bAscending);
    m_view->ClickColumn(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"120", "36", "8"}));
    EXPECT_FALSE(list.m_bAscending);
    m_view->ClickColumn(1);  // another column: ascending again, case ignored
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a.exe", "b.exe", "C.exe"}));
    EXPECT_TRUE(list.m_bAscending);
    EXPECT_EQ(list.m_nSortColumn, 1);

    // A re-sort keeps the direction; item data that no row carries compares
    // equal rather than failing.
    list.SetItemData(0, 77);
    list.Sort();
    EXPECT_EQ(list.GetItemCount(), 3);
}

TEST_F(SortListFixture, NoColumnYetLeavesTheOrder) {
    Rows({{"3", "x"}, {"1", "y"}, {"2", "z"}});
    for (int round = 0; round < 4; ++round) list.Sort();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"3", "1", "2"}));
}

TEST_F(SortListFixture, LongAndNonAsciiTextsSort) {
    const std::string longPath = "C:\\" + std::string(257, 'p');
    Rows({{"1", longPath}, {"2", "\xD6\xD0\xCE\xC4.exe"}, {"3", ""}, {"4", "ORACLE.EXE"}});
    m_view->ClickColumn(1);
    m_view->ClickColumn(1);
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetItemText(0, 1), "\xD6\xD0\xCE\xC4.exe");
}

}  // namespace
}  // namespace qv
