#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/console/ConsoleFixture.h"
#include "core/OptionFlags.h"

namespace qv::test {
namespace {

class ConsoleCommandsTest : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        StartTracing();
    }
};

TEST_F(ConsoleCommandsTest, OptionRowsSwitchTheirFlagsSilently) {
    const std::pair<std::string, std::atomic<bool>*> switches[] = {
        {"debug", &g_bDebug}, {"detail", &g_bDetail}, {"return", &g_bDetectRet}, {"asynmsg", &g_bAsynMsg}};
    for (const auto& [name, flag] : switches) {
        EXPECT_EQ(Run("$" + name + "on$"), "");
        EXPECT_TRUE(*flag) << name;
        EXPECT_EQ(Run("$" + name + "OFF$"), "");
        EXPECT_FALSE(*flag) << name;
    }
    EXPECT_EQ(Run("$TESTON$"), "");
    EXPECT_TRUE(g_bTest);
    Run("$testoff$");
    EXPECT_FALSE(g_bTest);
    EXPECT_EQ(m_toolButtons, (std::vector<bool>{true, false}));
}

TEST_F(ConsoleCommandsTest, WithoutATraceOnlyTestModeWorks) {
    EXPECT_EQ(Run("$teston$", false), "");
    EXPECT_TRUE(g_bTest);
    EXPECT_EQ(m_toolButtons, std::vector<bool>{true});
    for (const char* text : {"$debugon$", "$listbt$", "kslget", "$addbt$ kslget", "$peek$ 403000"}) {
        EXPECT_EQ(Run(text, false), "") << text;
    }
    EXPECT_FALSE(g_bDebug);
    EXPECT_EQ(m_tracer->m_arrBreakPoints.GetSize(), 0);
}

TEST_F(ConsoleCommandsTest, TracePointsAreAddedListedSwitchedAndDeleted) {
    g_bStatOnly = true;
    EXPECT_EQ(Run("$listbt$"), "");
    EXPECT_EQ(Run("$addbt$ kslget*2 (8,4*1)"), "");
    EXPECT_EQ(Run("$addbt$xORACLE.EXE!kslfre"), "");
    EXPECT_EQ(Run("$addbt$ nosuchfunction"), "");
    EXPECT_EQ(MemoryByte(kKslget), 0xCC);
    EXPECT_EQ(MemoryByte(kKslfre), 0xCC);
    EXPECT_EQ(Run("$listbt$"),
              "#0: kslget*2[0x00401000] (8*0 4*1 ) Enabled\r\n"
              "#1: kslfre*0[0x00401080] () Enabled\r\n");

    // The new trace point is hit like one from the file.
    m_machine->ScriptCalls(m_worker, {sim::SimCall{kKslget, {}, 0, 0, {}}});
    ASSERT_TRUE(WaitUntil([&] { return m_machine->IsIdle(m_pid); }));
    {
        TableLock lock(*m_tracer);
        EXPECT_EQ(m_tracer->m_arrBreakPoints.GetAt(0).nHits, 1);
    }

    for (const char* outside : {"$disablebt$ 2", "$disablebt$ -1", "$enablebt$ 99", "$deletebt$ 2"}) {
        EXPECT_EQ(Run(outside), "") << outside;
    }
    EXPECT_EQ(Run("$disablebt$ 1"), "");
    EXPECT_EQ(MemoryByte(kKslfre), 0x55);
    EXPECT_EQ(Run("$listbt$"),
              "#0: kslget*2[0x00401000] (8*0 4*1 ) Enabled\r\n"
              "#1: kslfre*0[0x00401080] () Disabled\r\n");
    Run("$enablebt$ 1");
    EXPECT_EQ(MemoryByte(kKslfre), 0xCC);

    // An index without digits reads as 0.
    EXPECT_EQ(Run("$deletebt$"), "");
    EXPECT_EQ(Run("$listbt$"), "#0: kslfre*0[0x00401080] () Enabled\r\n");
    EXPECT_EQ(MemoryByte(kKslget), 0xE8);
    Run("$deletebt$ 0");
    EXPECT_EQ(Run("$listbt$"), "");
    EXPECT_EQ(Memory(kKslget, 1), std::vector<uint8_t>{0xE8});
    EXPECT_EQ(MemoryByte(kKslfre), 0x55);
}

}  // namespace
}  // namespace qv::test
