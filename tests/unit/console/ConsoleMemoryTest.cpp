#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/console/ConsoleFixture.h"

namespace qv::test {
namespace {

class ConsoleMemoryTest : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        StartTracing();
    }
};

TEST_F(ConsoleMemoryTest, PeekRendersWhatIsStoredAtTheAddress) {
    const std::pair<std::string, std::string> cases[] = {
        {"$peek$ 403000", "\"hello world\"\r\n"},
        {"$peek$ 0x403000 4", "0x68656c6c\r\n"},
        {"$peek$ 403010 4*0", "0x403000(=>0x68656c6c)\r\n"},
        {"$peek$ 403010", "0x403000\r\n"},
        {"$peek$ 403010 0*1", "0x403000(=>\"hello world\")\r\n"},
        {"$peek$ 403000 -5", "\"hello world\"\r\n"},
        {"$peek$ 500000", "NULL\r\n"},
        {"$peek$ 403000 2000000000", "NULL\r\n"},
        {"$peek$ 0", ""},
        {"$peek$ 40300g 4", ""},
        {"$peek$", ""},
    };
    for (const auto& [command, expected] : cases) EXPECT_EQ(Run(command), expected) << command;
}

TEST_F(ConsoleMemoryTest, PokeWritesEachByteAndShowsWhatWasThere) {
    EXPECT_EQ(Run("$poke$ 403000 41424"), "[0x00403000]: 6865 => 41424 \r\n");
    EXPECT_EQ(Memory(kGreeting, 3), (std::vector<uint8_t>{0x41, 0x42, 'l'}));
    EXPECT_EQ(Run("$peek$ 403000"), "\"ABllo world\"\r\n");

    // A byte that can't be read shows as "??"; one that can't be written is
    // passed over and the rest still go.
    m_machine->MapMemory(m_pid, 0x600000, 0x1000, sim::Protection::ReadWrite);
    EXPECT_EQ(Run("$poke$ 600fff 1122"), "[0x00600fff]: 00?? => 1122 \r\n");
    EXPECT_EQ(MemoryByte(0x600FFF), 0x11);
    EXPECT_EQ(Run("$poke$ 500000 9090"), "[0x00500000]: ???? => 9090 \r\n");

    for (const char* refused : {"$poke$ 403000 zz", "$poke$ 403000 4", "$poke$ 403000", "$poke$ 0 41"}) {
        EXPECT_EQ(Run(refused), "") << refused;
    }
    EXPECT_EQ(MemoryByte(kGreeting), 0x41);
}

TEST_F(ConsoleMemoryTest, ArmedBreakPointsShowAndKeepTheOriginalCode) {
    Run("$addbt$ kslget");
    ASSERT_EQ(MemoryByte(kKslget), 0xCC);
    EXPECT_EQ(Run("$peek$ 401000 2"), "0xe87b\r\n");

    // The poked byte becomes the saved original; the 0xCC stays in place.
    EXPECT_EQ(Run("$poke$ 401000 90"), "[0x00401000]: e8 => 90 \r\n");
    EXPECT_EQ(MemoryByte(kKslget), 0xCC);
    EXPECT_EQ(Run("$peek$ 401000 1"), "0x90\r\n");
    Run("$disablebt$ 0");
    EXPECT_EQ(MemoryByte(kKslget), 0x90);

    // A poke while the trace point is out is what the next arming saves.
    Run("$poke$ 401000 e8");
    Run("$enablebt$ 0");
    EXPECT_EQ(MemoryByte(kKslget), 0xCC);
    Run("$poke$ 401000 c3");
    Stop();
    EXPECT_EQ(MemoryByte(kKslget), 0xC3);
}

TEST_F(ConsoleMemoryTest, PokeOfADisabledTracePointSurvivesItsDeletion) {
    Run("$addbt$ kslfre");
    Run("$disablebt$ 0");
    Run("$poke$ 401080 cc");
    EXPECT_EQ(MemoryByte(kKslfre), 0xCC);
    Run("$deletebt$ 0");
    EXPECT_EQ(MemoryByte(kKslfre), 0xCC);
}

}  // namespace
}  // namespace qv::test
