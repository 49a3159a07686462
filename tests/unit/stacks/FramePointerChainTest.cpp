#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "stacks/CallStackLog.h"
#include "stacks/StackWalks.h"
#include "symbols/ExportLookup.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "tracer/CallStacks.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"

namespace qv::test {
namespace {

constexpr uint64_t kCaller = 0x140001000;

class FramePointerChainTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        AfxSetMainWnd(&m_window);
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_tid = m_machine->CreateThread(m_pid);
        const Handle process = m_machine->OpenProcess(kProcessAllAccess, m_pid);
        const Handle thread = m_machine->OpenThread(kThreadAllAccess, m_tid);
        m_base = GetThreadStackBase(process, thread);
        m_limit = GetThreadStackLimit(process, thread);
        m_machine->CloseHandle(thread);
        m_machine->CloseHandle(process);
        ASSERT_GT(m_base, m_limit);
    }
    void TearDown() override {
        AfxSetMainWnd(nullptr);
        SimFixture::TearDown();
    }

    void PokeQword(uint64_t address, uint64_t value) {
        std::vector<uint8_t> bytes(8);
        std::memcpy(bytes.data(), &value, 8);
        m_machine->PokeMemory(m_pid, address, bytes);
    }
    void SetRegisters(uint64_t rsp, uint64_t rbp) {
        const Handle thread = m_machine->OpenThread(kThreadAllAccess, m_tid);
        ThreadContext context;
        context.ContextFlags = kContextAll;
        ASSERT_TRUE(m_machine->GetThreadContext(thread, context));
        context.Rsp = rsp;
        context.Rbp = rbp;
        ASSERT_TRUE(m_machine->SetThreadContext(thread, context));
        m_machine->CloseHandle(thread);
    }
    // A thread at a function's first instruction with `saved` frames below
    // it: the return address on top, then a chain of saved frame pointers,
    // each one 0x40 above the last, the outermost holding 0. Frame k
    // returns to kCaller + 0x100 * k + 5.
    void BuildChain(int saved) {
        const uint64_t top = m_base - 0x1000;
        PokeQword(top, kCaller + 5);
        for (int k = 1; k <= saved; ++k) {
            const uint64_t frame = top + 0x40 * static_cast<uint64_t>(k);
            PokeQword(frame, k == saved ? 0 : frame + 0x40);
            PokeQword(frame + 8, kCaller + 0x100 * static_cast<uint64_t>(k) + 5);
        }
        SetRegisters(top, top + 0x40);
    }
    FrameAddresses Expected(int count) {
        FrameAddresses frames;
        for (int k = 0; k < count; ++k) frames.push_back(kCaller + 0x100 * static_cast<uint64_t>(k));
        return frames;
    }
    std::optional<FrameAddresses> Walk(int32_t depth) {
        return WalkFramePointerChain(m_pid, m_tid, kContextAll, depth);
    }

    LogMainWindow m_window;
    uint32_t m_pid = 0;
    uint32_t m_tid = 0;
    uint64_t m_base = 0;
    uint64_t m_limit = 0;
};

TEST_F(FramePointerChainTest, DepthLimitsTheFramesAndZeroWritesNothing) {
    BuildChain(6);
    EXPECT_EQ(Walk(0), std::nullopt);
    EXPECT_EQ(Walk(3), Expected(3));
    // The outermost saved frame pointer is 0: its return address is not
    // reached, as at the end of a real chain.
    EXPECT_EQ(Walk(-1), Expected(6));
    EXPECT_EQ(Walk(100), Expected(6));
}

TEST_F(FramePointerChainTest, FramePointerOutsideTheStackWritesNothing) {
    BuildChain(2);
    for (const uint64_t rbp : {uint64_t{0}, m_limit - 8, m_base + 8}) {
        SetRegisters(m_base - 0x1000, rbp);
        EXPECT_EQ(Walk(-1), std::nullopt) << std::hex << rbp;
    }
    // Both bounds belong to the stack.
    SetRegisters(m_base - 0x1000, m_base);
    EXPECT_EQ(Walk(-1)->size(), 1u);
}

TEST_F(FramePointerChainTest, ChainThatGoesBackOrLoopsEnds) {
    const uint64_t top = m_base - 0x1000;
    PokeQword(top, kCaller + 5);
    const uint64_t first = top + 0x40;
    const uint64_t second = top + 0x80;
    PokeQword(first, second);
    PokeQword(first + 8, kCaller + 0x105);
    PokeQword(second, first);  // back to the first: a loop
    PokeQword(second + 8, kCaller + 0x205);
    SetRegisters(top, first);
    EXPECT_EQ(Walk(-1), Expected(2));
    // A frame pointer that stays put loops as well.
    PokeQword(first, first);
    EXPECT_EQ(Walk(-1), Expected(1));
}

TEST_F(FramePointerChainTest, UnreadableReturnAddressesAndMissingThreadsFollowTheRules) {
    BuildChain(1);
    EXPECT_EQ(WalkFramePointerChain(m_pid, 0x7777, kContextAll, -1), std::nullopt);
    EXPECT_EQ(WalkFramePointerChain(0x7777, m_tid, kContextAll, -1), std::nullopt);
    // An unreadable top of stack reads 0: the frame address 0 - 5.
    SetRegisters(m_limit - 0x100, m_base - 0x1000 + 0x40);
    EXPECT_EQ(Walk(-1), FrameAddresses{uint64_t{0} - 5});
}

TEST_F(FramePointerChainTest, LoggedWithExportNamesAndLow32BitAddresses) {
    const uint64_t top = m_base - 0x1000;
    PokeQword(top, 0x7'1234'5678 + 5);
    PokeQword(top + 0x40, 0);
    SetRegisters(top, top + 0x40);
    const uint64_t breakPoint = GetOwnExportAddress("ntdll.dll", "DbgBreakPoint");
    ASSERT_NE(breakPoint, 0u);
    LogCallStacks(m_pid, m_tid, true, &m_window, -1);
    LogCallStacks(m_pid, m_tid, true, &m_window, 0);
    LogCallStacks(m_pid, m_tid, false, &m_window, -1);
    PokeQword(top, breakPoint + 5);
    LogCallStacks(m_pid, m_tid, true, &m_window, 2);
    PumpMessages();
    EXPECT_EQ(m_window.LogText(),
              "\tCall Stacks(-1):\r\n\t\t0x12345678 (Unknow!Unknow)\r\n"
              "\tCall Stacks(2):\r\n" +
                  FormatString("\t\t0x%x (", static_cast<uint32_t>(breakPoint)) +
                  *GetExportSymbolByAddress(breakPoint, nullptr) + ")\r\n");
}

}  // namespace
}  // namespace qv::test
