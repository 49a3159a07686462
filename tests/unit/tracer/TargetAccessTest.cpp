#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TargetAccess.h"
#include "platform/Platform.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

constexpr uint64_t kData = 0x10000;
constexpr uint64_t kCode = 0x20000;
constexpr uint64_t kHole = 0x30000;

class TargetAccessTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("target.exe");
        m_tid = m_machine->CreateThread(m_pid);
        m_machine->MapMemory(m_pid, kData, 0x1000, sim::Protection::ReadOnly);
        m_machine->MapMemory(m_pid, kCode, 0x1000, sim::Protection::ExecuteRead);
        m_process = Platform().OpenProcess(kProcessAllAccess, m_pid);
    }
    void TearDown() override {
        Platform().CloseHandle(m_process);
        SimFixture::TearDown();
    }
    void Put(uint64_t address, const std::string& bytes) {
        m_machine->PokeMemory(m_pid, address, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    uint32_t m_pid = 0;
    uint32_t m_tid = 0;
    Handle m_process = kNullHandle;
};

TEST_F(TargetAccessTest, FailedReadsGiveTheirNeutralValues) {
    Put(kData, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(ReadTargetQword(m_process, kData), 0x0807060504030201u);
    EXPECT_EQ(ReadTargetByte(m_process, kData + 7), 8);
    EXPECT_EQ(ReadTargetQword(m_process, kHole), 0u);
    EXPECT_EQ(ReadTargetByte(m_process, kHole), 0);
    EXPECT_EQ(ReadTargetQword(m_process, kData + 0xFFC), 0u);  // runs into the hole
    EXPECT_TRUE(IsTargetByteReadable(m_process, kData + 0xFFF));
    EXPECT_FALSE(IsTargetReadable(m_process, kData + 0xFFF, 2));
    EXPECT_FALSE(IsTargetByteReadable(kNullHandle, kData));
    uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_FALSE(ReadTargetMemory(m_process, kHole, buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], 9);
}

TEST_F(TargetAccessTest, PrintableStringsNeedTwoCharactersAndAnEnd) {
    struct Case {
        std::string bytes;
        bool printable;
    };
    const Case cases[] = {
        {std::string("a\0", 2), false},          {std::string("ab\0", 3), true},
        {std::string("a\tb\0", 4), false},       {std::string("line\r\n\0", 7), true},
        {std::string("\x80\x81\0", 3), false},   {std::string("\0", 1), false},
        {std::string(10239, 'x') + '\0', true},  {std::string(10240, 'y') + '\0', false},
    };
    m_machine->MapMemory(m_pid, 0x40000, 0x4000, sim::Protection::ReadWrite);
    for (const Case& c : cases) {
        Put(0x40000, c.bytes);
        EXPECT_EQ(IsPrintableString(m_process, 0x40000, false), c.printable) << c.bytes.size() << " bytes";
    }
    Put(0x40000, std::string("w\0i\0\0\0", 6));
    EXPECT_TRUE(IsPrintableString(m_process, 0x40000, true));
    Put(kData + 0xFFE, "ab");  // no end before the hole
    EXPECT_FALSE(IsPrintableString(m_process, kData + 0xFFE, false));
}

TEST_F(TargetAccessTest, Int3GoesOnlyWhereTheByteWasReadAndCanBeWritten) {
    Put(kCode, "\x55");
    Put(kData, "\x42");
    uint8_t saved = 0;
    EXPECT_EQ(SaveAndWriteInt3(m_process, kCode, saved), Int3Write::Written);
    EXPECT_EQ(saved, 0x55);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kCode, 1)[0], 0xCC);
    saved = 0;
    EXPECT_EQ(SaveAndWriteInt3(m_process, kData, saved), Int3Write::ReadOnly);
    EXPECT_EQ(saved, 0x42);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kData, 1)[0], 0x42);
    saved = 7;
    EXPECT_EQ(SaveAndWriteInt3(m_process, kHole, saved), Int3Write::NotRead);
    EXPECT_EQ(saved, 7);
}

TEST_F(TargetAccessTest, RegistersAndThreadBlockOfAThread) {
    ThreadContext context = m_machine->Context(m_tid);
    EXPECT_EQ(GetThreadRsp(m_tid), context.Rsp);
    EXPECT_EQ(GetThreadRax(m_tid), context.Rax);
    EXPECT_EQ(GetThreadRdx(0x7FFC), 0u);
    uint8_t st[10] = {};
    EXPECT_FALSE(GetThreadFloatRegister(m_tid, 0, st));
    EXPECT_FALSE(GetThreadFloatRegister(m_tid, 8, st));

    const Handle thread = Platform().OpenThread(kThreadAllAccess, m_tid);
    EXPECT_NE(GetThreadTebAddress(thread), 0u);
    const uint64_t base = GetThreadStackBase(m_process, thread);
    const uint64_t limit = GetThreadStackLimit(m_process, thread);
    EXPECT_GT(base, limit);
    EXPECT_LE(context.Rsp, base);
    EXPECT_GE(context.Rsp, limit);
    EXPECT_TRUE(ReadThreadTib(m_process, thread));
    Platform().CloseHandle(thread);
    EXPECT_EQ(GetThreadStackBase(m_process, kNullHandle), 0u);
}

TEST_F(TargetAccessTest, FilesDirectoriesAndImagesByName) {
    WriteFile("C:\\dir\\note.txt", "x");
    EXPECT_TRUE(FileExists("C:\\dir\\note.txt"));
    EXPECT_FALSE(FileExists("C:\\dir\\missing.txt"));
    EXPECT_TRUE(DirectoryExists("C:\\dir"));
    EXPECT_FALSE(DirectoryExists("C:\\dir\\note.txt"));

    PeBuilder image;
    image.TimeDateStamp(0x5F000000).AddSection(".text", PeBuilder::kCode, {0xC3});
    const auto path = m_machine->HostPath("C:\\bin\\tool.dll");
    std::filesystem::create_directories(path.parent_path());
    image.WriteTo(path);
    EXPECT_EQ(GetImageSize("tool.dll"), 0u);  // not on the image search path
    m_machine->SetImageSearchPath({"C:\\bin"});
    EXPECT_EQ(GetImageSize("tool.dll"), 0x2000u);
    EXPECT_EQ(GetImageTimeStamp("tool.dll"), 0x5F000000u);
    EXPECT_EQ(GetImageTimeStamp("note.txt"), 0u);
}

TEST_F(TargetAccessTest, ProcessImagePathIsItsFirstModule) {
    PeBuilder image;
    image.AddSection(".text", PeBuilder::kCode, {0xC3});
    const auto path = m_machine->HostPath("C:\\srv\\BIN\\ORACLE.EXE");
    std::filesystem::create_directories(path.parent_path());
    image.WriteTo(path);
    const uint32_t server = m_machine->CreateProcess("C:\\srv\\BIN\\ORACLE.EXE");
    std::string found;
    EXPECT_TRUE(GetProcessImagePath(server, found, 260));
    EXPECT_EQ(found, "C:\\srv\\BIN\\ORACLE.EXE");
    EXPECT_FALSE(GetProcessImagePath(0x7FF0, found, 260));
}

TEST_F(TargetAccessTest, OwnProcessStringsAndModules) {
    EXPECT_EQ(BoundedStrLen(nullptr), 0u);
    EXPECT_EQ(BoundedStrLen("abc"), 3u);
    const std::string longText(9000, 'z');
    EXPECT_EQ(BoundedStrLen(longText.c_str()), 8000u);

    PeBuilder image;
    image.AddSection(".text", PeBuilder::kCode, {0xC3});
    const auto path = m_machine->HostPath("C:\\own\\mine.dll");
    std::filesystem::create_directories(path.parent_path());
    image.WriteTo(path);
    const uint64_t base = m_machine->LoadOwnModule("C:\\own\\mine.dll");
    EXPECT_EQ(GetOwnModuleBase(base), base);
    EXPECT_EQ(GetOwnModuleBase(base + 0x1000), base);
    EXPECT_EQ(GetOwnModuleBase(base + 0x2000), 0u);
}

}  // namespace
}  // namespace qv::test
