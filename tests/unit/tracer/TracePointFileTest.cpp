#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PeBuilder.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

constexpr uint64_t kDllBase = 0x180000000;
const std::vector<uint8_t> kCodeBytes = {0x55, 0x48, 0x89, 0xE5, 0x5D, 0xC3, 0x90, 0x90,
                                         0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
                                         0x53, 0x48, 0x83, 0xEC, 0x20, 0x5B, 0xC3, 0x90};
constexpr const char* kComplete = "Initializing complete!\r\n";

class TracePointFileTest : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        PeBuilder dll;
        dll.ImageBase(kDllBase).DllName("helper.dll");
        m_codeRva = dll.AddSection(".text", PeBuilder::kCode, kCodeBytes);
        dll.AddExport("Alpha", m_codeRva).AddExport("Beta", m_codeRva + 0x10);
        const auto path = m_machine->HostPath("C:\\app\\helper.dll");
        std::filesystem::create_directories(path.parent_path());
        dll.WriteTo(path);
        PeBuilder exe;
        exe.AddSection(".text", PeBuilder::kCode, {0xC3});
        exe.WriteTo(path.parent_path() / "server.exe");
        m_machine->SetImageSearchPath({"C:\\app"});
        m_pid = m_machine->CreateProcess("C:\\app\\server.exe");
        m_tid = m_machine->CreateThread(m_pid);
        m_machine->LoadModule(m_pid, "C:\\app\\helper.dll", kDllBase);
    }

    uint64_t Alpha() const { return kDllBase + m_codeRva; }
    uint64_t Beta() const { return kDllBase + m_codeRva + 0x10; }
    uint8_t Byte(uint64_t address) { return m_machine->PeekMemory(m_pid, address, 1)[0]; }

    std::vector<std::string> Names() {
        TableLock lock(*m_tracer);
        std::vector<std::string> names;
        for (const BREAKPOINTINFO& record : m_tracer->m_arrBreakPoints) names.push_back(record.pszName);
        return names;
    }

    uint32_t m_codeRva = 0;
    uint32_t m_pid = 0;
    uint32_t m_tid = 0;
};

TEST_F(TracePointFileTest, LinesBecomeArmedTracePointsInFileOrder) {
    char address[32];
    std::snprintf(address, sizeof address, "%llx", static_cast<unsigned long long>(Alpha() + 4));
    WriteFile("C:\\TracePoints.txt", "# trace points\r\n\r\nnosuch.dll!Alpha\r\nhelper.dll!Alpha  # the first\r\n"
                                     "helper.dll!Beta+2*3\r\nhelper.dll!Alpha\r\n" +
                                         std::string(address) + "\n   \n");
    g_bDetail = true;
    Start(m_pid);
    ASSERT_TRUE(WaitForLog(kComplete));
    const std::string log = Log();
    EXPECT_NE(log.find("]DLL loaded, file=C:\\app\\helper.dll \r\n"), std::string::npos) << log;
    char expected[256];
    std::snprintf(expected, sizeof expected, "New BT: Alpha(0x%x)\r\nNew BT: Beta+2(0x%x)\r\n",
                  static_cast<uint32_t>(Alpha()), static_cast<uint32_t>(Beta() + 2));
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alpha", "Beta+2", "helper.dll!Alpha+4"}));
    {
        TableLock lock(*m_tracer);
        EXPECT_EQ(m_tracer->m_arrBreakPoints.GetAt(1).nStackDepth, 3);
    }
    EXPECT_EQ(Byte(Alpha()), 0xCC);
    EXPECT_EQ(Byte(Beta() + 2), 0xCC);
    EXPECT_EQ(Byte(Alpha() + 4), 0xCC);
}

TEST_F(TracePointFileTest, CommentsAndBlankLinesAddNothingAndWriteNothing) {
    WriteFile("C:\\TracePoints.txt", "# nothing here\n\n   # indented comment\n");
    Start(m_pid);
    ASSERT_TRUE(WaitForLog(kComplete));
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 2 * std::string(kComplete).size()).find("Error"), std::string::npos);
    EXPECT_TRUE(Names().empty());
}

TEST_F(TracePointFileTest, ReloadDropsEveryRecordAndArmsTheFileAgain) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\nhelper.dll!Beta\n");
    Start(m_pid);
    ASSERT_TRUE(WaitForLog(kComplete));
    EXPECT_EQ(Byte(Alpha()), 0xCC);
    WriteFile("C:\\TracePoints.txt", "helper.dll!Beta\n");
    m_tracer->ReloadTracePoints();
    EXPECT_EQ(Names(), std::vector<std::string>{"Beta"});
    EXPECT_EQ(Byte(Alpha()), kCodeBytes[0]);
    EXPECT_EQ(Byte(Beta()), 0xCC);
    Stop();
    EXPECT_EQ(m_machine->PeekMemory(m_pid, Alpha(), kCodeBytes.size()), kCodeBytes);
}

}  // namespace
}  // namespace qv::test
