#include "tests/unit/symbols/SymbolFixture.h"

namespace qv::test {
namespace {

class ServerProbeTest : public SymbolFixture {};

TEST_F(ServerProbeTest, RecognisesServerHomeAndVersion) {
    struct Case {
        const char* executable;
        std::vector<const char*> markers;
        bool found;
        const char* home;
        int32_t version;
        const char* log;
    };
    const Case cases[] = {
        {"C:\\db\\BIN\\ORACLE.EXE", {"orapls11.dll"}, true, "C:\\db", 11,
         "Found C:\\db\\BIN\\orapls11.dll.\r\nOracle Version: 11.\r\n"},
        {"C:\\low\\bin\\oracle.exe", {"orapls11.dll", "orapls9.dll"}, true, "C:\\low", 9,
         "Found C:\\low\\bin\\orapls9.dll.\r\nOracle Version: 9.\r\n"},
        {"C:\\ten\\BIN\\ORACLE.EXE", {"orapls10.dll"}, true, "C:\\ten", 10,
         "Found C:\\ten\\BIN\\orapls10.dll.\r\nOracle Version: 10.\r\n"},
        // Exactly 15 characters go, whatever the directory is called.
        {"C:\\db\\X\\ORACLE.EXE", {}, true, "C:\\", 0,
         "No character file found! The last searching file: C:\\db\\X\\orapls11.dll.\r\nOracle Version: 0.\r\n"},
        {"C:\\ORACLE.EXE", {}, true, "", 0,
         "No character file found! The last searching file: C:\\orapls11.dll.\r\nOracle Version: 0.\r\n"},
        {"C:\\app\\notepad.exe", {"orapls11.dll"}, false, nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        const std::string executable = c.executable;
        const std::string directory = executable.substr(0, executable.find_last_of('\\'));
        WritePe(executable, PeBuilder().ImageBase(0x400000).DllName(""));
        for (const char* marker : c.markers) WriteFile(directory + "\\" + marker, "x");

        m_tracer.m_nProcessId = m_machine->CreateProcess(executable);
        m_tracer.m_szOracleHome = "unchanged";
        m_tracer.ProbeOracleHome();
        EXPECT_EQ(m_tracer.m_bOracleFound, c.found) << executable;
        EXPECT_EQ(m_tracer.m_szOracleHome, c.home ? c.home : "unchanged") << executable;
        if (c.found) {
            EXPECT_EQ(m_tracer.m_nOracleVersion, c.version) << executable;
        }
        EXPECT_EQ(TakeLog(), c.log) << executable;
        for (const char* marker : c.markers) std::filesystem::remove(m_machine->HostPath(directory + "\\" + marker));
    }
}

TEST_F(ServerProbeTest, QuietWithoutDebugOptionAndForMissingProcess) {
    WritePe("C:\\db\\BIN\\ORACLE.EXE", PeBuilder().ImageBase(0x400000));
    m_tracer.m_nProcessId = m_machine->CreateProcess("C:\\db\\BIN\\ORACLE.EXE");
    g_bDebug = false;
    m_tracer.ProbeOracleHome();
    EXPECT_TRUE(m_tracer.m_bOracleFound);
    EXPECT_EQ(TakeLog(), "");

    g_bDebug = true;
    m_tracer.m_nProcessId = 999999;
    m_tracer.ProbeOracleHome();
    EXPECT_FALSE(m_tracer.m_bOracleFound);
    EXPECT_EQ(TakeLog(), "");
}

}  // namespace
}  // namespace qv::test
