#include <algorithm>
#include <fstream>
#include <functional>

#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

using FileSystem = SimFixture;

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(FileSystem, WindowsPathsMapBelowTheRoot) {
    struct Case {
        std::string windows;
        std::filesystem::path host;
    };
    machine().SetCurrentDirectory("C:\\Work");
    const std::vector<Case> cases = {
        {"C:\\a\\b.txt", m_root / "C/a/b.txt"},
        {"d:\\x", m_root / "D/x"},
        {"C:/mixed\\seps", m_root / "C/mixed/seps"},
        {"rel\\file", m_root / "C/Work/rel/file"},
        {"..\\up", m_root / "C/up"},
        {"\\rooted", m_root / "C/rooted"},
        {"/tmp/host", "/tmp/host"},
    };
    for (const Case& c : cases) EXPECT_EQ(machine().HostPath(c.windows), c.host) << c.windows;
    EXPECT_EQ(machine().GetCurrentDirectory(), "C:\\Work");
}

TEST_F(FileSystem, NamesMatchExistingEntriesIgnoringCase) {
    WriteText(m_root / "C/Oracle/BIN/ORACLE.SYM", "x");
    EXPECT_EQ(machine().HostPath("C:\\oracle\\bin\\oracle.sym"), m_root / "C/Oracle/BIN/ORACLE.SYM");
    EXPECT_NE(machine().OpenFileForRead("c:\\ORACLE\\bin\\Oracle.Sym", kFileShareRead), kNullHandle);
}

TEST_F(FileSystem, DrivesAndDevices) {
    std::filesystem::create_directories(m_root / "E");
    std::filesystem::create_directories(m_root / "notadrive");
    EXPECT_EQ(machine().GetLogicalDriveStrings(), (std::vector<std::string>{"C:\\", "E:\\"}));
    EXPECT_EQ(machine().QueryDosDevice("C:"), "\\Device\\HarddiskVolume1");
    EXPECT_EQ(machine().QueryDosDevice("e:"), "\\Device\\HarddiskVolume3");
    EXPECT_EQ(machine().QueryDosDevice("D:"), std::nullopt);
}

TEST_F(FileSystem, MappedViewNamesItsFileByDevice) {
    WriteText(m_root / "C/dir/lib.dll", "MZ-content");
    std::filesystem::create_directories(m_root / "outside");
    WriteText(m_root / "outside/x.bin", "abc");
    struct Case {
        std::string path;
        std::string device;
    };
    const std::string outside = (m_root / "outside/x.bin").string();
    std::string hostDevice = "\\Device\\HostFs" + outside;
    std::replace(hostDevice.begin(), hostDevice.end(), '/', '\\');
    const std::vector<Case> cases = {
        {"C:\\dir\\lib.dll", "\\Device\\HarddiskVolume1\\dir\\lib.dll"},
        {outside, hostDevice},
    };
    for (const Case& c : cases) {
        const Handle file = machine().OpenFileForRead(c.path.c_str(), kFileShareRead);
        ASSERT_NE(file, kNullHandle) << c.path;
        const Handle mapping = machine().CreateFileMapping(file, 1);
        ASSERT_NE(mapping, kNullHandle);
        uint64_t length = 0;
        const uint8_t* view = machine().MapViewOfFile(mapping, 1, length);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(length, 1u);
        EXPECT_EQ(machine().GetMappedFileName(machine().GetCurrentProcess(), view), c.device);
        EXPECT_TRUE(machine().UnmapViewOfFile(view));
        EXPECT_FALSE(machine().UnmapViewOfFile(view));
        EXPECT_TRUE(machine().CloseHandle(mapping));
        EXPECT_TRUE(machine().CloseHandle(file));
    }
}

TEST_F(FileSystem, ViewsCopyTheWholeFileAndOutliveTheirHandles) {
    WriteText(m_root / "C/data.bin", "0123456789");
    const Handle file = machine().OpenFileForRead("C:\\data.bin", kFileShareRead);
    const Handle mapping = machine().CreateFileMapping(file, 0);
    uint64_t length = 0;
    const uint8_t* view = machine().MapViewOfFile(mapping, 0, length);
    ASSERT_NE(view, nullptr);
    machine().CloseHandle(mapping);
    machine().CloseHandle(file);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view), length), "0123456789");
    EXPECT_TRUE(machine().UnmapViewOfFile(view));

    // A read-only mapping can neither be empty nor larger than its file.
    WriteText(m_root / "C/empty.bin", "");
    const Handle empty = machine().OpenFileForRead("C:\\empty.bin", 0);
    EXPECT_EQ(machine().CreateFileMapping(empty, 0), kNullHandle);
    const Handle small = machine().OpenFileForRead("C:\\data.bin", 0);
    EXPECT_EQ(machine().CreateFileMapping(small, 11), kNullHandle);
}

TEST_F(FileSystem, ReadWriteSizeAndAttributes) {
    const Handle out = machine().CreateFileForWrite("C:\\log.txt");
    ASSERT_NE(out, kNullHandle);
    EXPECT_TRUE(machine().WriteFile(out, "hello", 5));
    uint32_t got = 0;
    char buffer[16] = {};
    EXPECT_FALSE(machine().ReadFile(out, buffer, sizeof buffer, got));
    EXPECT_TRUE(machine().CloseHandle(out));

    const Handle in = machine().OpenFileForRead("C:\\log.txt", kFileShareRead);
    EXPECT_EQ(machine().GetFileSize(in), 5u);
    EXPECT_TRUE(machine().ReadFile(in, buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "hello");
    EXPECT_FALSE(machine().WriteFile(in, "x", 1));

    const auto written = std::filesystem::last_write_time(m_root / "C/log.txt");
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    const auto fileTime = machine().GetFileLastWriteTime(in);
    ASSERT_TRUE(fileTime.has_value());
    EXPECT_EQ(*fileTime / 10'000'000 - 11644473600ULL, static_cast<uint64_t>(seconds.count()));
    machine().CloseHandle(in);

    EXPECT_EQ(machine().FindFirstFileAttributes("C:\\log.txt"), 0x20u);
    EXPECT_EQ(machine().FindFirstFileAttributes("C:\\"), kFileAttributeDirectory);
    EXPECT_EQ(machine().FindFirstFileAttributes("C:\\missing"), std::nullopt);
    EXPECT_EQ(machine().OpenFileForRead("C:\\missing", 0), kNullHandle);
    EXPECT_EQ(machine().OpenFileForRead("C:\\", 0), kNullHandle);
    EXPECT_FALSE(machine().CloseHandle(0x7777));
    EXPECT_EQ(machine().GetFileSize(0x7777), std::nullopt);
}

TEST_F(FileSystem, FailuresLeaveTheirErrorCode) {
    WriteText(m_root / "C/empty.bin", "");
    WriteText(m_root / "C/small.bin", "abc");
    const Handle empty = machine().OpenFileForRead("C:\\empty.bin", 0);
    const Handle small = machine().OpenFileForRead("C:\\small.bin", 0);
    const Handle mapping = machine().CreateFileMapping(small, 0);
    uint64_t length = 0;
    struct Case {
        const char* what;
        std::function<bool()> fails;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"missing file", [&] { return machine().OpenFileForRead("C:\\nothing.txt", 0) == kNullHandle; }, 2},
        {"missing folder", [&] { return machine().OpenFileForRead("C:\\no\\file.txt", 0) == kNullHandle; }, 3},
        {"folder", [&] { return machine().OpenFileForRead("C:\\", 0) == kNullHandle; }, 5},
        {"empty mapping", [&] { return machine().CreateFileMapping(empty, 0) == kNullHandle; }, 1006},
        {"bad handle", [&] { return machine().CreateFileMapping(0x7777, 0) == kNullHandle; }, 6},
        {"view too large", [&] { return machine().MapViewOfFile(mapping, 4, length) == nullptr; }, 8},
        {"not a view", [&] { return !machine().UnmapViewOfFile(&length); }, 487},
        {"close twice", [&] { return machine().CloseHandle(empty) && !machine().CloseHandle(empty); }, 6},
        {"no process", [&] { return machine().OpenProcess(kProcessAllAccess, 0x7FF0) == kNullHandle; }, 87},
        {"attach own", [&] { return !machine().DebugActiveProcess(machine().GetCurrentProcessId()); }, 5},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.fails()) << c.what;
        EXPECT_EQ(machine().GetLastError(), c.code) << c.what;
    }
    machine().CloseHandle(mapping);
    machine().CloseHandle(small);
}

}  // namespace
}  // namespace qv::sim::testing
