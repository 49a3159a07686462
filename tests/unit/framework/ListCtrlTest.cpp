#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/ListCtrl.h"
#include "framework/headless/HeadlessListView.h"

namespace qv {
namespace {

// A parent window that records the notifications it gets.
class NotifyLog : public CWnd {
public:
    CWnd* GetDlgItem(int) const override { return nullptr; }
    LResult SendMessage(uint32_t message, WParam wParam, LParam lParam) override {
        return WindowProc(message, wParam, lParam);
    }
    bool PostMessage(uint32_t, WParam, LParam) override { return false; }
    void SetWindowText(const std::string&) override {}
    std::string GetWindowText() const override { return {}; }
    int GetWindowTextLength() const override { return 0; }
    void EnableWindow(bool) override {}
    bool IsWindowEnabled() const override { return true; }
    void ShowWindow(bool) override {}
    bool IsWindowVisible() const override { return true; }
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        if (message == kWmNotify) {
            EXPECT_EQ(wParam, 1007u);
            seen.push_back(*reinterpret_cast<const ListNotify*>(lParam));
        }
        return 0;
    }
    std::vector<ListNotify> seen;
};

// A control that keeps column clicks to itself, as a sorting list does.
class ClickKeeper : public CListCtrl {
public:
    bool OnChildNotify(const ListNotify& notify, LResult& result) override {
        if (notify.code != kLvnColumnClick) return false;
        clicked.push_back(notify.iSubItem);
        result = 0;
        return true;
    }
    std::vector<int> clicked;
};

struct ListFixture : ::testing::Test {
    ListFixture() {
        auto view = std::make_unique<CHeadlessListView>(&parent, 1007);
        headless = view.get();
        list.Attach(std::move(view));
        list.InsertColumn(0, "PID", kLvcfmtLeft, 40);
        list.InsertColumn(1, "Name", kLvcfmtLeft, 100);
    }
    void AddRow(const std::string& id, const std::string& name, uintptr_t data) {
        const int row = list.InsertItem(list.GetItemCount(), id);
        list.SetItemText(row, 1, name);
        list.SetItemData(row, data);
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(list.GetItemText(row, column));
        return texts;
    }

    NotifyLog parent;
    ClickKeeper list;
    CHeadlessListView* headless = nullptr;
};

TEST(ListCtrlUnattached, EveryCallFailsQuietly) {
    CListCtrl list;
    EXPECT_EQ(list.InsertColumn(0, "A"), -1);
    EXPECT_EQ(list.InsertItem(0, "x"), -1);
    EXPECT_FALSE(list.SetItemText(0, 0, "x"));
    EXPECT_EQ(list.GetItemText(0, 0), "");
    EXPECT_EQ(list.GetColumnText(0), std::nullopt);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.FindItem(ListFindInfo{}), -1);
}

TEST_F(ListFixture, RowsColumnsAndHeaders) {
    AddRow("4", "System", 10);
    AddRow("88", "smss.exe", 11);
    EXPECT_EQ(list.InsertItem(0, "1"), 0);  // insertion shifts later rows down
    EXPECT_EQ(list.InsertItem(99, "2"), 3); // past the end appends
    EXPECT_EQ(list.InsertItem(-1, "x"), -1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "4", "88", "2"}));
    EXPECT_EQ(list.GetItemData(2), 11u);
    EXPECT_FALSE(list.SetItemText(0, 2, "no such column"));
    EXPECT_FALSE(list.SetItemText(4, 0, "no such row"));
    EXPECT_EQ(list.GetItemText(0, 5), "");

    EXPECT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.GetColumnText(1), "Name");
    EXPECT_TRUE(list.SetColumnText(0, "PID(Total:4)"));
    EXPECT_EQ(list.GetColumnText(0), "PID(Total:4)");
    EXPECT_EQ(list.GetColumnText(2), std::nullopt);
    EXPECT_EQ(list.GetColumnWidth(0), 40);

    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "88", "2"}));
    EXPECT_FALSE(list.DeleteItem(3));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ListFixture, FindsByItemDataOrTextAfterTheStart) {
    AddRow("4", "System", 7);
    AddRow("88", "smss.exe", 9);
    AddRow("90", "other", 7);
    EXPECT_EQ(list.FindItem({kLvfiParam, "", 7}), 0);
    EXPECT_EQ(list.FindItem({kLvfiParam, "", 7}, 0), 2);
    EXPECT_EQ(list.FindItem({kLvfiParam, "", 9}, 1), -1);
    EXPECT_EQ(list.FindItem({kLvfiParam, "", 5}), -1);
    EXPECT_EQ(list.FindItem({kLvfiString, "90", 0}), 2);
}

int CompareByData(LParam a, LParam b, LParam) { return a < b ? -1 : (a > b ? 1 : 0); }
int AllEqual(LParam, LParam, LParam) { return 0; }
// Not a strict weak order: every comparison says "less".
int AlwaysLess(LParam, LParam, LParam) { return -1; }

TEST_F(ListFixture, SortsByTheCallbackAndGivesNoStability) {
    const std::vector<uintptr_t> data = {5, 3, 9, 1, 7, 2, 8};
    for (uintptr_t value : data) AddRow(std::to_string(value), "", value);
    list.SetItemState(2, kLvisSelected, kLvisSelected);  // "9" stays selected as it moves
    ASSERT_TRUE(list.SortItems(&CompareByData, 0));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3", "5", "7", "8", "9"}));
    EXPECT_EQ(list.GetSelectedItem(), 6);

    // Rows that compare equal don't keep their order from sort to sort.
    const auto before = Column(0);
    bool moved = false;
    for (int round = 0; round < 5 && !moved; ++round) {
        list.SortItems(&AllEqual, 0);
        moved = Column(0) != before;
    }
    EXPECT_TRUE(moved);

    ASSERT_TRUE(list.SortItems(&AlwaysLess, 0));
    EXPECT_EQ(list.GetItemCount(), 7);
}

TEST_F(ListFixture, ClickingRowsTellsTheParentEachStateChange) {
    AddRow("4", "System", 0);
    AddRow("88", "smss.exe", 1);
    list.SetExtendedStyle(kLvsExFullRowSelect);
    EXPECT_EQ(list.GetExtendedStyle(), kLvsExFullRowSelect);

    headless->ClickItem(0);
    headless->ClickItem(1);
    headless->ClickItem(1);  // no state changes: only the click itself
    struct Seen {
        uint32_t code;
        int item;
        uint32_t newState;
    };
    const std::vector<Seen> expected = {
        {kLvnItemChanged, 0, kLvisSelected | kLvisFocused}, {kNmClick, 0, 0},
        {kLvnItemChanged, 0, 0}, {kLvnItemChanged, 1, kLvisSelected | kLvisFocused}, {kNmClick, 1, 0},
        {kNmClick, 1, 0},
    };
    ASSERT_EQ(parent.seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(parent.seen[i].code, expected[i].code) << i;
        EXPECT_EQ(parent.seen[i].iItem, expected[i].item) << i;
        EXPECT_EQ(parent.seen[i].uNewState, expected[i].newState) << i;
        EXPECT_EQ(parent.seen[i].idFrom, 1007u);
    }
    EXPECT_EQ(list.GetSelectedItem(), 1);
    EXPECT_EQ(list.GetNextItem(-1, kLvniFocused), 1);

    // Focus moves to one row only; state changes made by the program are
    // told as well.
    parent.seen.clear();
    list.SetItemState(0, kLvisFocused, kLvisFocused);
    EXPECT_EQ(list.GetItemState(1, kLvisFocused | kLvisSelected), kLvisSelected);
    EXPECT_EQ(parent.seen.size(), 2u);
}

TEST_F(ListFixture, ColumnClicksGoToTheControlFirst) {
    headless->ClickColumn(1);
    headless->ClickColumn(5);  // no such header
    EXPECT_EQ(list.clicked, (std::vector<int>{1}));
    EXPECT_TRUE(parent.seen.empty());

    CListCtrl plain;
    auto view = std::make_unique<CHeadlessListView>(&parent, 1007);
    CHeadlessListView* plainView = view.get();
    plain.Attach(std::move(view));
    plain.InsertColumn(0, "TID");
    plainView->ClickColumn(0);
    ASSERT_EQ(parent.seen.size(), 1u);
    EXPECT_EQ(parent.seen[0].code, kLvnColumnClick);
}

}  // namespace
}  // namespace qv
