#include <cstring>

#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

using Memory = SimFixture;

constexpr uint64_t kRegion = 0x20000000;

TEST_F(Memory, ReadsFailOnHolesAndNoAccessPages) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    machine().MapMemory(pid, kRegion, 0x1000, Protection::ReadWrite);
    machine().MapMemory(pid, kRegion + 0x2000, 0x1000, Protection::NoAccess);
    machine().PokeMemory(pid, kRegion + 0xFF0, {1, 2, 3, 4});
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);

    uint8_t bytes[32] = {};
    EXPECT_TRUE(machine().ReadProcessMemory(process, kRegion + 0xFF0, bytes, 16));
    EXPECT_EQ(bytes[3], 4);
    // The range runs into the unmapped page after the region.
    EXPECT_FALSE(machine().ReadProcessMemory(process, kRegion + 0xFF0, bytes, 32));
    EXPECT_FALSE(machine().ReadProcessMemory(process, kRegion + 0x2000, bytes, 1));
    EXPECT_FALSE(machine().ReadProcessMemory(process, UINT64_MAX - 3, bytes, 8));
    machine().CloseHandle(process);
}

TEST_F(Memory, WritesFollowProtectionsWithoutPartialWrites) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    struct Case {
        Protection protection;
        bool writable;
    };
    const std::vector<Case> cases = {
        {Protection::ReadWrite, true},   {Protection::ExecuteRead, true}, {Protection::ExecuteReadWrite, true},
        {Protection::ReadOnly, false},   {Protection::NoAccess, false},
    };
    for (const Case& c : cases) {
        machine().MapMemory(pid, kRegion, 0x1000, Protection::ReadWrite);
        machine().MapMemory(pid, kRegion + 0x1000, 0x1000, c.protection);
        machine().PokeMemory(pid, kRegion + 0xFFE, {0x11, 0x11, 0x11, 0x11});
        const uint8_t cc[4] = {0xCC, 0xCC, 0xCC, 0xCC};
        EXPECT_EQ(machine().WriteProcessMemory(process, kRegion + 0xFFE, cc, 4), c.writable);
        const uint8_t expected = c.writable ? 0xCC : 0x11;
        EXPECT_EQ(machine().PeekMemory(pid, kRegion + 0xFFE, 4), std::vector<uint8_t>(4, expected));
    }
    machine().CloseHandle(process);
}

TEST_F(Memory, AccessNeedsAnOpenProcessHandle) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    machine().MapMemory(pid, kRegion, 0x1000, Protection::ReadWrite);
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    const Handle thread = machine().OpenThread(kThreadAllAccess, machine().ThreadIds(pid).front());
    uint8_t byte = 0;
    EXPECT_TRUE(machine().ReadProcessMemory(process, kRegion, &byte, 1));
    EXPECT_FALSE(machine().ReadProcessMemory(kNullHandle, kRegion, &byte, 1));
    EXPECT_FALSE(machine().ReadProcessMemory(thread, kRegion, &byte, 1));
    EXPECT_FALSE(machine().WriteProcessMemory(thread, kRegion, &byte, 1));
    EXPECT_EQ(machine().GetProcessId(process), pid);
    EXPECT_TRUE(machine().CloseHandle(process));
    EXPECT_FALSE(machine().CloseHandle(process));
    EXPECT_FALSE(machine().ReadProcessMemory(process, kRegion, &byte, 1));
    EXPECT_EQ(machine().OpenProcess(kProcessAllAccess, 0), kNullHandle);
    EXPECT_EQ(machine().OpenProcess(kProcessAllAccess, 0x0FFC), kNullHandle);
    machine().CloseHandle(thread);
}

TEST_F(Memory, ThreadsHaveTebsAndStacks) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    const uint32_t tid = machine().CreateThread(pid);
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    const Handle thread = machine().OpenThread(kThreadAllAccess, tid);

    uint8_t info[48] = {};
    ASSERT_EQ(machine().NtQueryInformationThread(thread, 0, info, sizeof info), 0);
    uint64_t teb = 0;
    std::memcpy(&teb, info + 8, 8);
    ASSERT_NE(teb, 0u);
    uint64_t tib[3] = {};
    ASSERT_TRUE(machine().ReadProcessMemory(process, teb, tib, sizeof tib));
    const uint64_t stackBase = tib[1], stackLimit = tib[2];
    EXPECT_LT(stackLimit, stackBase);
    ThreadContext context;
    ASSERT_TRUE(machine().GetThreadContext(thread, context));
    EXPECT_GT(context.Rsp, stackLimit);
    EXPECT_LT(context.Rsp, stackBase);
    uint64_t word = 0;
    EXPECT_TRUE(machine().ReadProcessMemory(process, stackLimit, &word, 8));
    EXPECT_TRUE(machine().ReadProcessMemory(process, stackBase - 8, &word, 8));

    EXPECT_LT(machine().NtQueryInformationThread(thread, 0, info, 40), 0);
    EXPECT_LT(machine().NtQueryInformationThread(process, 0, info, sizeof info), 0);
    machine().CloseHandle(thread);
    machine().CloseHandle(process);
}

TEST_F(Memory, OwnMemoryProbeNeverFaults) {
    std::vector<uint8_t> heap(10000, 1);
    EXPECT_TRUE(machine().IsReadableOwnMemory(heap.data(), heap.size()));
    EXPECT_FALSE(machine().IsReadableOwnMemory(nullptr, 1));
    EXPECT_FALSE(machine().IsReadableOwnMemory(reinterpret_cast<const void*>(uintptr_t{16}), 1));
}

}  // namespace
}  // namespace qv::sim::testing
