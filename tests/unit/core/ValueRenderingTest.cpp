#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/ValueRendering.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

constexpr uint64_t kLow = 0x20000000;
constexpr uint64_t kHigh = 0x12'3400'0000;
constexpr uint64_t kUnmapped = 0x30000000;
// The last 4 readable bytes of the low region.
constexpr uint64_t kLowEnd = kLow + 0x4000 - 4;

std::vector<uint8_t> Qword(uint64_t value) {
    std::vector<uint8_t> bytes(8);
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end() + 1); }

class ValueRenderingTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_machine->MapMemory(m_pid, kLow, 0x4000, sim::Protection::ReadWrite);
        m_machine->MapMemory(m_pid, kHigh, 0x1000, sim::Protection::ReadWrite);
        m_process = m_machine->OpenProcess(kProcessAllAccess, m_pid);
    }
    void TearDown() override {
        m_machine->CloseHandle(m_process);
        SimFixture::TearDown();
    }
    void Poke(uint64_t address, const std::vector<uint8_t>& bytes) { m_machine->PokeMemory(m_pid, address, bytes); }

    uint32_t m_pid = 0;
    Handle m_process = kNullHandle;
};

TEST_F(ValueRenderingTest, SlotsRenderAsTextNumberOrFollowedPointer) {
    Poke(kLow + 0x100, Text("abc"));
    Poke(kLow + 0x140, Qword(7));
    Poke(kHigh + 0x10, Text("far away"));
    Poke(kLow + 0x180, Qword(kLow + 0x140));  // pointer to pointer-sized 7
    Poke(kLow + 0x1C0, Text("a\"b\\c\r\nd"));
    Poke(kLow + 0x200, std::vector<uint8_t>{'x', 0});  // one character is no string
    struct Case {
        uint64_t slot;
        int32_t depth;
        const char* expected;
    };
    const Case cases[] = {
        {0, 0, "0"},
        {5, 0, "5"},
        {9, 1, "9"},
        {10, 0, "0xa"},
        {0x1234, 0, "0x1234"},
        {kLow + 0x100, 1, "0x20000100(=>\"abc\")"},
        {kLow + 0x100, 0, "0x20000100"},
        {kLow + 0x140, 1, "0x20000140(=>7)"},
        {kLow + 0x180, 2, "0x20000180(=>0x20000140(=>7))"},
        {kLow + 0x180, 1, "0x20000180(=>0x20000140)"},
        {kLow + 0x1C0, 1, "0x200001c0(=>\"a\\\"b\\\\c\\r\\nd\")"},
        {kLow + 0x200, 1, "0x20000200(=>0x78)"},
        {kUnmapped, 3, "0x30000000(=>NULL)"},
        // Above 4 GB the whole pointer is shown and followed.
        {kHigh + 0x10, 1, "0x1234000010(=>\"far away\")"},
        {0xFFFFFFFF'FFFFFFFF, 0, "0xffffffffffffffff"},
    };
    for (const Case& test : cases) {
        Poke(kLow, Qword(test.slot));
        EXPECT_EQ(RenderValue(m_process, kLow, 0, test.depth, false), test.expected) << std::hex << test.slot;
    }
}

TEST_F(ValueRenderingTest, TextHeldInTheSlotItselfIsQuoted) {
    Poke(kLow, Text("hi"));
    EXPECT_EQ(RenderValue(m_process, kLow, 0, 1, false), "\"hi\"");
}

TEST_F(ValueRenderingTest, SizedDumpsFollowThenShowBytesLowestAddressFirst) {
    Poke(kLow + 0x100, {0x01, 0x02, 0x03, 0xAB, 0xFF});
    Poke(kLow, Qword(kLow + 0x100));
    Poke(kLow + 8, Qword(kUnmapped));
    EXPECT_EQ(RenderValue(m_process, kLow + 0x100, 4, 0, false), "0x010203ab");
    EXPECT_EQ(RenderValue(m_process, kLow, 5, 1, false), "0x20000100(=>0x010203abff)");
    EXPECT_EQ(RenderValue(m_process, kLow + 8, 4, 1, false), "0x30000000(=>NULL)");
    EXPECT_EQ(RenderValue(m_process, kUnmapped, 4, 0, false), "NULL");
    EXPECT_EQ(RenderValue(m_process, kUnmapped, 4, 2, false), "NULL");
    // A dump that runs past the readable region is refused whole.
    EXPECT_EQ(RenderValue(m_process, kLowEnd, 8, 0, false), "NULL");
    EXPECT_EQ(RenderValue(m_process, kLowEnd, 4, 0, false), "0x00000000");
}

TEST_F(ValueRenderingTest, UnreadableOrShortSlotsAreNull) {
    EXPECT_EQ(RenderValue(m_process, kUnmapped, 0, 2, false), "NULL");
    // Only four bytes readable: the 8-byte slot can't be read.
    EXPECT_EQ(RenderPointee(m_process, kLowEnd, 1, false), "NULL");
    EXPECT_EQ(RenderPointee(kNullHandle, kLow, 1, false), "NULL");
}

TEST_F(ValueRenderingTest, StringsStopAtTheirEndOrTheBound) {
    EXPECT_EQ(RenderString(m_process, kLow + 0x300, false), "\\0x00");
    EXPECT_EQ(RenderString(m_process, kUnmapped, false), "\\0x00");
    Poke(kLow + 0x300, Text("line\n"));
    EXPECT_EQ(RenderString(m_process, kLow + 0x300, false), "line\\n");
    // Wide characters copy their first byte.
    Poke(kLow + 0x340, {'w', 0, 'i', 0, 'd', 0, 'e', 0, 0, 0});
    EXPECT_EQ(RenderString(m_process, kLow + 0x340, true), "wide");
    Poke(kLow, Qword(kLow + 0x340));
    EXPECT_EQ(RenderPointee(m_process, kLow, 1, true), "0x20000340(=>\"wide\")");
    // A text longer than the string test's bound is no string: the pointee
    // shows as a value, and a copy stops at the bound.
    Poke(kLow + 0x1000, Text(std::string(11000, 'a')));
    Poke(kLow + 8, Qword(kLow + 0x1000));
    EXPECT_EQ(RenderPointee(m_process, kLow + 8, 1, false), "0x20001000(=>0x6161616161616161)");
    EXPECT_EQ(RenderString(m_process, kLow + 0x1000, false), std::string(10240, 'a'));
    // One that runs into unreadable memory likewise.
    Poke(kLowEnd - 4, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'});
    Poke(kLow + 16, Qword(kLowEnd - 4));
    EXPECT_EQ(RenderPointee(m_process, kLow + 16, 1, false), "0x20003ff8(=>0x6867666564636261)");
    EXPECT_EQ(RenderString(m_process, kLowEnd - 4, false), "abcdefgh");
}

}  // namespace
}  // namespace qv::test
