#include <atomic>
#include <chrono>
#include <thread>

#include "core/TargetAccess.h"
#include "platform/CountingPlatform.h"
#include "symbols/ExportLookup.h"
#include "tests/unit/symbols/SymFileWriter.h"
#include "tests/unit/symbols/SymbolFixture.h"

namespace qv::test {
namespace {

using testing::SymEntry;
using testing::WriteSymbolFile;

constexpr uint32_t kLinkTime = 0x4A000000;
constexpr uint64_t kServerBase = 0x400000;
constexpr const char* kBinSym = "C:\\db\\BIN\\ORACLE.SYM";
constexpr const char* kAdminSym = "C:\\db\\RDBMS\\ADMIN\\ORACLE.SYM";

const std::vector<SymEntry> kServerSymbols = {
    {0x10001000, "kslget"}, {0x10001080, "kslfre"}, {0x10002000, "opiexe"}};

// A library with four named exports; "aaa" and "beta" share an address.
PeBuilder Library(const std::string& name) {
    PeBuilder builder;
    builder.ImageBase(0x180000000).DllName(name);
    const uint32_t code = builder.AddSection(".text", PeBuilder::kCode, std::vector<uint8_t>(0x200, 0xC3));
    builder.AddExport("alpha", code).AddExport("beta", code + 0x10).AddExport("aaa", code + 0x10);
    builder.AddExport("gamma", code + 0x40);
    return builder;
}

class ResolveSymbolTest : public SymbolFixture {
protected:
    // The server at C:\db, version 11, attached and its executable recorded.
    void StartServer() {
        PeBuilder server;
        server.ImageBase(kServerBase).TimeDateStamp(kLinkTime);
        server.AddSection(".text", PeBuilder::kCode, std::vector<uint8_t>(0x3000, 0xCC));
        WritePe("C:\\db\\BIN\\ORACLE.EXE", server);
        WriteFile("C:\\db\\BIN\\orapls11.dll", "x");
        m_machine->SetImageSearchPath({"C:\\db\\BIN", "C:\\lib"});
        m_tracer.m_nProcessId = m_machine->CreateProcess("C:\\db\\BIN\\ORACLE.EXE");
        m_tracer.ProbeOracleHome();
        ASSERT_TRUE(m_tracer.m_bOracleFound);
        m_tracer.m_arrModules.AddModule(kServerBase, GetImageSize("ORACLE.EXE"), "ORACLE.EXE",
                                        "C:\\db\\BIN\\ORACLE.EXE");
        TakeLog();
    }
    uint64_t LoadTargetLibrary(const std::string& path, const std::string& name, uint64_t base) {
        WritePe(path, Library(name));
        const uint64_t loaded = m_machine->LoadModule(m_tracer.m_nProcessId, path, base);
        m_tracer.m_arrModules.AddModule(loaded, GetImageSize(name), name, path);
        return loaded;
    }
    void Touch(const std::string& windowsPath, int seconds) {
        const auto path = m_machine->HostPath(windowsPath);
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(seconds));
    }
};

TEST_F(ResolveSymbolTest, ServerModuleIsAnsweredFromItsSymbolFile) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime + 60));
    uint64_t size = 0;
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", &size), 0x401080u);
    EXPECT_EQ(size, 0xF80u);
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", 0x401084, &size), "ORACLE.EXE!kslfre+4");
    EXPECT_EQ(TakeLog(), "Start address is 0x10001000!\r\nStart address is 0x10001000!\r\n");

    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", 0x402000, nullptr), std::nullopt);
    EXPECT_EQ(TakeLog(), "Start address is 0x10001000!\r\nNo item matched in the file C:\\db\\BIN\\ORACLE.SYM! \r\n");

    g_bDebug = false;
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "oracle.exe", "kslget", nullptr), 0x401000u);
    EXPECT_EQ(TakeLog(), "");
}

// A call stack names a frame per lookup: the image's time stamp and size
// are read once for the session, not once a lookup.
TEST_F(ResolveSymbolTest, ImageFactsAreReadOncePerModule) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime + 60));
    CountingPlatform counting(*m_machine);
    SetPlatform(&counting);
    for (uint64_t offset = 0; offset < 3; ++offset) {
        EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", 0x401084 + offset, nullptr),
                  "ORACLE.EXE!kslfre+" + std::to_string(4 + offset));
    }
    SetPlatform(m_machine);
    EXPECT_EQ(counting.Count(PlatformCall::MapAndLoad), 2u);
}

TEST_F(ResolveSymbolTest, AdminFolderWinsAndAChangedFileIsReadAgain) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime));
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", nullptr), 0x401080u);

    WriteBytes(kAdminSym, WriteSymbolFile({{0x10001000, "kslget"}, {0x10001090, "kslfre"}}, kLinkTime));
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", nullptr), 0x401090u);

    // Same size, new content and write time.
    WriteBytes(kAdminSym, WriteSymbolFile({{0x10001000, "kslget"}, {0x100010A0, "kslfre"}}, kLinkTime));
    Touch(kAdminSym, 5);
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", nullptr), 0x4010A0u);

    // A file that turns bad is refused, and the lookup falls back to the
    // exports (the executable has none).
    WriteBytes(kAdminSym, {'n', 'o', 'p', 'e'});
    TakeLog();
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", nullptr), 0u);
    EXPECT_EQ(TakeLog(), std::string(kAdminSym) + " is not ORACLE.SYM file (signature mismatch)\r\n");
}

TEST_F(ResolveSymbolTest, StaleOrMissingSymbolFilesFallBackToExports) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime + 61));
    EXPECT_EQ(m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "kslfre", nullptr), 0u);
    EXPECT_EQ(TakeLog(), std::string(kBinSym) + " file is not corresponding to ORACLE.EXE!\r\n");

    // A library under the home uses its own symbol file; without one its
    // exports answer.
    const uint64_t base = LoadTargetLibrary("C:\\db\\BIN\\util.dll", "util.dll", 0x7FF810000000);
    EXPECT_EQ(m_tracer.ResolveSymbol(base, "util.dll", "gamma", nullptr), base + 0x1040);
    EXPECT_EQ(TakeLog(), "C:\\db\\BIN\\util.SYM not found!\r\n");
}

// The tracer thread and the user-interface thread look up at once; the
// first lookups of each build the shared index.
TEST_F(ResolveSymbolTest, ConcurrentLookupsShareOneIndex) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime));
    g_bDebug = false;
    std::atomic<int> wrong{0};
    auto lookups = [&] {
        for (int i = 0; i < 200; ++i) {
            if (m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", "opiexe", nullptr) != 0x402000) ++wrong;
            if (m_tracer.ResolveSymbol(kServerBase, "ORACLE.EXE", 0x401001, nullptr) != "ORACLE.EXE!kslget+1") ++wrong;
        }
    };
    std::thread other(lookups);
    lookups();
    other.join();
    EXPECT_EQ(wrong, 0);
}

TEST_F(ResolveSymbolTest, TargetExportsAreReadFromTheTargetsMemory) {
    StartServer();
    // Loaded in the target only, above 4 GB.
    const uint64_t base = LoadTargetLibrary("C:\\lib\\target.dll", "target.dll", 0x7FF820000000);
    uint64_t size = 0;
    EXPECT_EQ(m_tracer.ResolveSymbol(base, "TARGET.DLL", "beta", &size), base + 0x1010);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(m_tracer.ResolveSymbol(base, "target.dll", "Beta", nullptr), 0u);

    struct Case {
        uint64_t address;
        const char* text;
        uint64_t size;
    } cases[] = {
        {base + 0x1000, "target.dll!alpha+0", 0x10},
        {base + 0x1014, "target.dll!aaa+4", 0x30},  // first of two names in name-table order
        {base + 0x1040, nullptr, 0},                // the highest export has no end
        {base + 0x0FFF, nullptr, 0},
    };
    for (const Case& c : cases) {
        size = 0;
        const auto text = m_tracer.ResolveSymbol(base, "target.dll", c.address, &size);
        EXPECT_EQ(text.value_or("none"), c.text ? c.text : "none") << std::hex << c.address;
        EXPECT_EQ(size, c.size);
    }
    EXPECT_EQ(TakeLog(), "");
}

TEST_F(ResolveSymbolTest, WithoutARecordTheOwnProcessAnswers) {
    StartServer();
    WritePe("C:\\lib\\own.dll", Library("own.dll"));
    const uint64_t own = m_machine->LoadOwnModule("C:\\lib\\own.dll");
    EXPECT_EQ(m_tracer.ResolveSymbol(0, "own.dll", "gamma", nullptr), own + 0x1040);
    EXPECT_EQ(m_tracer.ResolveSymbol(0, "absent.dll", "gamma", nullptr), 0u);

    uint64_t size = 0;
    EXPECT_EQ(m_tracer.ResolveSymbol(0, "", own + 0x1002, &size), "own.dll!alpha+2");
    EXPECT_EQ(size, 0x10u);
    EXPECT_EQ(GetExportSymbolByAddress(own + 0x1011, nullptr), "own.dll!aaa+1");
    EXPECT_EQ(GetExportModuleName(own + 0x1011), "own.dll");
    EXPECT_EQ(GetExportModuleName(0x1234), std::nullopt);
}

TEST_F(ResolveSymbolTest, AddTracePointResolvesAndRefuses) {
    StartServer();
    WriteBytes(kBinSym, WriteSymbolFile(kServerSymbols, kLinkTime));
    g_bDebug = false;
    g_bDetail = true;
    struct Case {
        const char* spec;
        int32_t index;
        const char* name;
        uint64_t address;
        const char* log;
    };
    const Case cases[] = {
        {"kslget+16*5 (8,1*2)", 0, "kslget+16", 0x401010, "New BT: kslget+16(0x401010)\r\n"},
        {"kslget", 1, "kslget", 0x401000, "New BT: kslget(0x401000)\r\n"},
        // Taken addresses are checked where the breakpoint would go, offset included.
        {"kslget*3", -1, nullptr, 0, ""},
        {"kslget+16", -1, nullptr, 0, ""},
        {"kslget+4", 2, "kslget+4", 0x401004, "New BT: kslget+4(0x401004)\r\n"},
        {"oracle.exe!401080", 3, "ORACLE.EXE!kslfre+0", 0x401080, "New BT: ORACLE.EXE!kslfre+0(0x401080)\r\n"},
        {"400800+4", 4, "0x400800+4", 0x400804, "New BT: 0x400800+4(0x400804)\r\n"},
        {"7ffe0000", -1, nullptr, 0, ""},
        {"other.dll!kslget", -1, nullptr, 0, ""},
        {"opiexe2", -1, nullptr, 0, ""},
        {"# comment", -1, nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m_tracer.AddTracePoint(c.spec), c.index) << c.spec;
        EXPECT_EQ(TakeLog(), c.log) << c.spec;
        if (c.index < 0) continue;
        const BREAKPOINTINFO& record = m_tracer.m_arrBreakPoints.GetAt(c.index);
        EXPECT_EQ(record.pszName, c.name);
        EXPECT_EQ(record.nAddress, c.address);
        EXPECT_EQ(record.nModuleBase, kServerBase);
        EXPECT_TRUE(record.bEntry);
        EXPECT_TRUE(record.bEnabled);
    }
    const BREAKPOINTINFO& full = m_tracer.m_arrBreakPoints.GetAt(0);
    EXPECT_EQ(full.nStackDepth, 5);
    EXPECT_EQ(full.mapArgs, (ArgSpecMap{{0, {8, 0}}, {1, {1, 2}}}));

    g_bDetail = false;
    g_bDebug = true;
    EXPECT_EQ(m_tracer.AddTracePoint("kslget"), -1);
    EXPECT_EQ(m_tracer.AddTracePoint("ORACLE.EXE!"), -1);
    EXPECT_EQ(TakeLog(), "Start address is 0x10001000!\r\nLooking for kslget failed!\r\n");
    EXPECT_EQ(m_tracer.m_arrBreakPoints.GetSize(), 5);
}

}  // namespace
}  // namespace qv::test
