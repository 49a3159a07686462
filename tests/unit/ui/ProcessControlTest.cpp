#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PeBuilder.h"
#include "tests/unit/ui/DialogFixture.h"

namespace qv::test {
namespace {

constexpr uint32_t kStillActive = 259;

class ProcessControlTest : public DialogFixture {
protected:
    void SetUp() override {
        DialogFixture::SetUp();
        PeBuilder exe;
        exe.AddSection(".text", PeBuilder::kCode, {0xC3});
        const auto path = m_machine->HostPath("C:\\app\\victim.exe");
        std::filesystem::create_directories(path.parent_path());
        exe.WriteTo(path);
        m_pid = m_machine->CreateProcess("C:\\app\\victim.exe");
        m_second = m_machine->CreateThread(m_pid);
        m_main = m_machine->ThreadIds(m_pid).front();
        // The rest of the machine: a snapshot always holds threads.
        m_machine->CreateThread(m_machine->CreateBareProcess("bystander.exe"));
        WriteFile("C:\\Config.ini", "[TEST]=ON\n");
        OpenDialog();
    }

    void SelectProcess() {
        m_dialog->m_nSelPID = m_pid;
        m_dialog->m_nSelType = 1;
    }
    void SelectThread(uint32_t threadId) {
        m_dialog->m_nSelTID = threadId;
        m_dialog->m_nSelType = 2;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : m_boxes) texts.push_back(box.caption + ": " + box.text);
        return texts;
    }

    uint32_t m_pid = 0;
    uint32_t m_main = 0;
    uint32_t m_second = 0;
};

TEST_F(ProcessControlTest, NothingSelectedAsksNothingAndDoesNothing) {
    for (const int id : {IDC_KILL, IDC_SUSPEND, IDC_RESUME}) ASSERT_TRUE(Click(id));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 0u);
}

TEST_F(ProcessControlTest, SuspendAndResumeAProcessMoveEveryThreadsCountAndBack) {
    SelectProcess();
    ASSERT_TRUE(Click(IDC_SUSPEND));
    ASSERT_TRUE(Click(IDC_SUSPEND));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 2u);
    EXPECT_EQ(m_machine->SuspendCount(m_second), 2u);
    ASSERT_TRUE(Click(IDC_RESUME));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 1u);
    ASSERT_TRUE(Click(IDC_RESUME));
    ASSERT_TRUE(Click(IDC_RESUME));  // not suspended: still a success
    EXPECT_EQ(m_machine->SuspendCount(m_second), 0u);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Quorvane: Do you really want to suspend the process?",
                                                 "Quorvane: Do you really want to suspend the process?"}));
    EXPECT_EQ(m_boxes[0].owner, m_dialog.get());
    EXPECT_EQ(m_boxes[0].type, kMbOkCancel);
}

TEST_F(ProcessControlTest, CancelLeavesTheTargetAlone) {
    SelectProcess();
    m_answers = {kIdCancel, kIdCancel};
    ASSERT_TRUE(Click(IDC_KILL));
    ASSERT_TRUE(Click(IDC_SUSPEND));
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 0u);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Quorvane: Do you really want to kill the process?",
                                                 "Quorvane: Do you really want to suspend the process?"}));
}

TEST_F(ProcessControlTest, TheLastListSelectedChoosesProcessOrThread) {
    SelectThread(m_second);
    SelectProcess();
    ASSERT_TRUE(Click(IDC_SUSPEND));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 1u);
    SelectThread(m_second);
    ASSERT_TRUE(Click(IDC_SUSPEND));
    ASSERT_TRUE(Click(IDC_KILL));
    EXPECT_EQ(m_machine->SuspendCount(m_main), 1u);
    EXPECT_EQ(m_machine->ThreadIds(m_pid), std::vector<uint32_t>{m_main});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Quorvane: Do you really want to suspend the process?",
                                                 "Quorvane: Do you really want to suspend the thread?",
                                                 "Quorvane: Do you really want to kill the thread?"}));
}

TEST_F(ProcessControlTest, KillEndsTheProcessWithTheStillActiveCode) {
    SelectProcess();
    ASSERT_TRUE(Click(IDC_KILL));
    EXPECT_FALSE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->ProcessExitCode(m_pid), kStillActive);
    EXPECT_EQ(m_boxes.size(), 1u);
}

// Every operation on a process or a thread that has ended shows exactly its
// failure text in an ownerless "Error" box, after the question if it has one.
TEST_F(ProcessControlTest, EndedTargetsGiveTheErrorBoxOfEachOperation) {
    struct Case {
        int button;
        bool process;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {IDC_KILL, true, {"Quorvane: Do you really want to kill the process?", "Error: Kill process failed!"}},
        {IDC_SUSPEND, true, {"Quorvane: Do you really want to suspend the process?", "Error: Suspend process failed!"}},
        {IDC_RESUME, true, {"Error: Resume process failed!"}},
        {IDC_KILL, false, {"Quorvane: Do you really want to kill the thread?", "Error: Kill thread failed!"}},
        {IDC_SUSPEND, false, {"Quorvane: Do you really want to suspend the thread?", "Error: Suspend thread failed!"}},
        {IDC_RESUME, false, {"Error: Resume thread failed!"}},
    };
    m_machine->ExitProcess(m_pid);
    for (const Case& c : cases) {
        m_boxes.clear();
        if (c.process) {
            SelectProcess();
        } else {
            SelectThread(m_second);
        }
        ASSERT_TRUE(Click(c.button));
        EXPECT_EQ(Texts(), c.texts) << c.button << (c.process ? " process" : " thread");
        ASSERT_FALSE(m_boxes.empty());
        EXPECT_EQ(m_boxes.back().owner, nullptr);
        EXPECT_EQ(m_boxes.back().type, kMbOk);
    }
    EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace qv::test
