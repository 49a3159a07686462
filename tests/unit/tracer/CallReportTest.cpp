#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "core/StringFormat.h"

namespace qv::test {
namespace {

constexpr uint64_t kCode = 0x140001000;
constexpr uint64_t kFunction = kCode + 0x10;
constexpr uint64_t kOther = kCode + 0x40;
constexpr uint64_t kInner = kCode + 0x80;
constexpr uint64_t kData = 0x20000000;
constexpr uint64_t kFarData = 0x12'3400'0000;
const std::string kComplete = "Initializing complete!\r\n";

// The lines the tracer wrote after arming, time stamps removed.
std::string Unstamped(const std::string& log) {
    const size_t start = log.find(kComplete);
    const std::string tail = start == std::string::npos ? log : log.substr(start + kComplete.size());
    return std::regex_replace(tail, std::regex(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\])"), "");
}

std::string Low32(uint64_t address) { return FormatString("0x%08x", static_cast<uint32_t>(address)); }

class CallReportTest : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_t1 = m_machine->CreateThread(m_pid);
        m_t2 = m_machine->CreateThread(m_pid);
        m_machine->MapMemory(m_pid, kCode, 0x1000, sim::Protection::ExecuteRead);
        m_machine->PokeMemory(m_pid, kCode, std::vector<uint8_t>(0x100, 0x90));
        m_machine->MapMemory(m_pid, kData, 0x1000, sim::Protection::ReadWrite);
        m_machine->MapMemory(m_pid, kFarData, 0x1000, sim::Protection::ReadWrite);
        m_machine->PokeMemory(m_pid, kData, {'a', 'b', 'c', 0});
        m_machine->PokeMemory(m_pid, kFarData, {'f', 'a', 'r', 0});
    }

    void StartTracing(const ArgSpecMap& args = {}, int32_t stackDepth = 0) {
        Start(m_pid, 0, [&](CDeamonThread& tracer) {
            tracer.m_arrBreakPoints.AddBreakPoint(0, kFunction, "Function", args, stackDepth, true, true);
        });
        ASSERT_TRUE(WaitForLog(kComplete));
    }
    void RunToIdle() { ASSERT_TRUE(WaitUntil([&] { return m_machine->IsIdle(m_pid); })); }
    std::string Home() const { return Low32(sim::SimMachine::ThreadHomeAddress()); }
    // A call of Function nested n levels into itself; level k returns k.
    sim::SimCall Recursion(int levels, uint64_t value = 1) {
        sim::SimCall call{kFunction, {}, value, 0, {}};
        if (levels > 1) call.nested.push_back(Recursion(levels - 1, value + 1));
        return call;
    }
    void ExpectCodeRestored() {
        EXPECT_EQ(m_machine->PeekMemory(m_pid, kCode, 0x100), std::vector<uint8_t>(0x100, 0x90));
        EXPECT_EQ(m_machine->PeekMemory(m_pid, sim::SimMachine::ThreadHomeAddress(), 1)[0], 0x90);
        EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
        EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
    }

    uint32_t m_pid = 0;
    uint32_t m_t1 = 0;
    uint32_t m_t2 = 0;
};

TEST_F(CallReportTest, CallLineAndArgumentsWithoutReturnCatching) {
    StartTracing({{0, {0, 1}}, {1, {0, 0}}, {2, {4, 0}}, {3, {0, 1}}});
    m_machine->ScriptCalls(m_t1, {sim::SimCall{kFunction, {kData, 5, kData, kFarData}, 0, 0, {}}});
    m_machine->ScriptCalls(m_t2, {sim::SimCall{kOther, {kData}, 0, 0, {}}});
    RunToIdle();
    EXPECT_EQ(Unstamped(Log()), FormatString("User call: Function (TID: %d) \r\n", static_cast<int>(m_t1)) +
                                    "\t[Args(4)]: \r\n"
                                    "\t\t0x20000000(=>\"abc\")\r\n"
                                    "\t\t5\r\n"
                                    "\t\t0x00000020\r\n"
                                    "\t\t0x1234000000(=>\"far\")\r\n");
    Stop();
    ExpectCodeRestored();
}

TEST_F(CallReportTest, EveryCallOfTwoThreadsIsMatchedByOneReturn) {
    g_bDetectRet = true;
    StartTracing();
    constexpr int kCalls = 40;
    for (const uint32_t thread : {m_t1, m_t2}) {
        std::vector<sim::SimCall> calls(kCalls, sim::SimCall{kFunction, {1, 2}, 0, 0, {}});
        m_machine->ScriptCalls(thread, calls);
    }
    RunToIdle();
    const std::string log = Unstamped(Log());
    for (const uint32_t thread : {m_t1, m_t2}) {
        EXPECT_EQ(CountOf(log, FormatString("User call: Function (Return Addr: %s; TID: %d) \r\n", Home().c_str(),
                                            static_cast<int>(thread))),
                  size_t{kCalls});
    }
    EXPECT_EQ(CountOf(log, "\t Function return at " + Home() + " \r\n"), size_t{2 * kCalls});
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned, uint64_t{kCalls});
    Stop();
    ExpectCodeRestored();
}

TEST_F(CallReportTest, DetailedReturnLinesShowTheValueInnerCallsFirst) {
    g_bDetectRet = true;
    g_bDetail = true;
    StartTracing();
    // Levels return 1 to 3; the two inner ones share the return address
    // inside Function.
    m_machine->ScriptCalls(m_t1, {Recursion(3)});
    m_machine->ScriptCalls(m_t2, {sim::SimCall{kFunction, {}, 0, 0, {}}, sim::SimCall{kFunction, {}, kData, 0, {}},
                                  sim::SimCall{kFunction, {}, kFarData, 0, {}}});
    RunToIdle();
    const std::string log = Unstamped(Log());
    const std::string zeros = "[00000000000000000000] \r\n";
    const std::string inside = Low32(kFunction + 1);
    const std::string expectedT1 = "\tFunction return at " + inside + " with value: 0x00000000:00000003(=>NULL)" + zeros +
                                   "\tFunction return at " + inside + " with value: 0x00000000:00000002(=>NULL)" + zeros +
                                   "\tFunction return at " + Home() + " with value: 0x00000000:00000001(=>NULL)" + zeros;
    // The first thread's values are too small to be followed.
    std::string returnsT1;
    std::string returnsT2;
    const std::regex returnLine(R"(\tFunction return at [^\r]*\r\n)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), returnLine); it != std::sregex_iterator(); ++it) {
        (it->str().find("(=>NULL)") != std::string::npos ? returnsT1 : returnsT2) += it->str();
    }
    EXPECT_EQ(returnsT1, expectedT1);
    EXPECT_EQ(returnsT2, "\tFunction return at " + Home() + " with value: 0x00000000:00000000(=>)" + zeros +
                             "\tFunction return at " + Home() + " with value: 0x00000000:20000000(=>\"abc\")" + zeros +
                             "\tFunction return at " + Home() + " with value: 0x00000000:34000000(=>\"far\")" + zeros);
    Stop();
    ExpectCodeRestored();
}

TEST_F(CallReportTest, ReturnsOfOtherCallsThroughTheSameAddressAreWrittenNowhere) {
    g_bDetectRet = true;
    StartTracing();
    const uint64_t home = sim::SimMachine::ThreadHomeAddress();
    // Other returns through Function's return address while Function is
    // pending, and again afterwards with nothing pending.
    sim::SimCall function{kFunction, {}, 0, 0, {sim::SimCall{kOther, {7}, 0, home, {}}}};
    m_machine->ScriptCalls(m_t1, {function, sim::SimCall{kOther, {}, 0, 0, {}}});
    RunToIdle();
    const std::string log = Unstamped(Log());
    EXPECT_EQ(CountOf(log, "User call: Function"), 1u);
    EXPECT_EQ(CountOf(log, "return at"), 1u) << log;
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned, 3u);
    Stop();
    ExpectCodeRestored();
}

TEST_F(CallReportTest, PendingCallsBeyondTheStackOf256AreNeverMatched) {
    g_bDetectRet = true;
    StartTracing();
    m_machine->ScriptCalls(m_t1, {Recursion(300)});
    RunToIdle();
    const std::string log = Unstamped(Log());
    EXPECT_EQ(CountOf(log, "User call: Function"), 300u);
    EXPECT_EQ(CountOf(log, " return at "), 256u);
    // The outermost call, pushed first, is matched last.
    EXPECT_TRUE(log.ends_with("\t Function return at " + Home() + " \r\n"));
    Stop();
    ExpectCodeRestored();
}

TEST_F(CallReportTest, StopWithReturnsPendingLeavesNothingBehind) {
    g_bDetectRet = true;
    Start(m_pid, 0, [&](CDeamonThread& tracer) {
        tracer.m_arrBreakPoints.AddBreakPoint(0, kFunction, "Function", {}, 0, true, true);
        tracer.m_arrBreakPoints.AddBreakPoint(0, kInner, "Inner", {}, 0, true, true);
    });
    ASSERT_TRUE(WaitForLog(kComplete));
    // Function stays pending through a long run of traced inner calls, and
    // is stopped in the middle of them (or, on a slow day, after them:
    // either way nothing of ours may stay behind).
    constexpr size_t kInnerCalls = 2000;
    sim::SimCall function{kFunction, {}, 0, 0, {}};
    function.nested.assign(kInnerCalls, sim::SimCall{kInner, {}, 0, 0, {}});
    m_machine->ScriptCalls(m_t1, {sim::SimCall{kOther, {}, 0, 0, {function}}});
    ASSERT_TRUE(WaitForLog("User call: Function"));
    Stop();
    ExpectCodeRestored();
    m_machine->RunUntilIdle(m_pid);
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned, kInnerCalls + 2);
}

TEST_F(CallReportTest, HitCallStacksWalkTheCallersToTheDepth) {
    const std::string home = Low32(sim::SimMachine::ThreadHomeAddress() - 5);
    for (const int32_t depth : {0, 2, -1}) {
        StartTracing({}, depth);
        sim::SimCall inner{kFunction, {}, 0, 0, {}};
        sim::SimCall middle{kInner, {1, 2, 3}, 0, 0, {inner}};
        m_machine->ScriptCalls(m_t1, {sim::SimCall{kOther, {4}, 0, 0, {middle}}});
        RunToIdle();
        std::string frames;
        const std::string log = Unstamped(Log());
        std::regex frameLine(R"(\t\t(0x[0-9a-f]{8}) \([^\r]*\)\r\n)");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), frameLine); it != std::sregex_iterator(); ++it) {
            frames += (*it)[1].str() + " ";
        }
        // The walk starts at the breakpoint, not one byte past it where the
        // thread's instruction pointer stands.
        const std::string all = Low32(kFunction - 5) + " " + Low32(kInner + 1 - 5) + " " + Low32(kOther + 1 - 5) +
                                " " + home + " ";
        if (depth == 0) {
            EXPECT_EQ(CountOf(log, "Call Stacks"), 0u);
            EXPECT_EQ(frames, "");
        } else if (depth == 2) {
            EXPECT_EQ(CountOf(log, "\tCall Stacks(2):\r\n"), 1u);
            EXPECT_EQ(frames, all.substr(0, 22));
        } else {
            EXPECT_EQ(CountOf(log, "\tCall Stacks(-1):\r\n"), 1u);
            EXPECT_EQ(frames, all);
        }
        Stop();
        m_window.GetDlgItem(kLogEditId)->SetWindowText("");
    }
}

}  // namespace
}  // namespace qv::test
