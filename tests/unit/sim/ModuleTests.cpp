#include <fstream>

#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

using Modules = SimFixture;

TEST_F(Modules, ImagesMapInLoadedLayoutWithSectionProtections) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    uint16_t magic = 0;
    EXPECT_TRUE(machine().ReadProcessMemory(process, kImageBase, &magic, 2));
    EXPECT_EQ(magic, 0x5A4D);
    EXPECT_EQ(machine().PeekMemory(pid, kFunction, 2), (std::vector<uint8_t>{0x55, 0x55}));

    const uint8_t cc = 0xCC;
    EXPECT_TRUE(machine().WriteProcessMemory(process, kFunction, &cc, 1));       // code: execute-read
    EXPECT_TRUE(machine().WriteProcessMemory(process, kImageBase + 0x2000, &cc, 1));  // .data
    EXPECT_FALSE(machine().WriteProcessMemory(process, kImageBase, &cc, 1));     // headers
    EXPECT_FALSE(machine().WriteProcessMemory(process, kImageBase + 0x3000, &cc, 1));  // exports: read-only
    machine().CloseHandle(process);
}

TEST_F(Modules, ModuleListsNameTheMainImageFirst) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    // The DLL prefers the same base and is moved past the main image.
    const uint64_t dll = machine().LoadModule(pid, WriteImage("C:\\app\\helper.dll", kImageBase));
    EXPECT_GT(dll, kImageBase);

    const auto modules = machine().SnapshotModules(pid);
    ASSERT_TRUE(modules.has_value());
    ASSERT_EQ(modules->size(), 2u);
    EXPECT_EQ((*modules)[0].szModule, "server.exe");
    EXPECT_EQ((*modules)[0].szExePath, "C:\\app\\server.exe");
    EXPECT_EQ((*modules)[1].modBaseAddr, dll);
    EXPECT_EQ((*modules)[1].modBaseSize, 0x4000u);

    const Handle process = machine().OpenProcess(kProcessQueryInfoAndVmRead, pid);
    const auto bases = machine().EnumProcessModules(process);
    ASSERT_TRUE(bases.has_value());
    EXPECT_EQ(*bases, (std::vector<uint64_t>{kImageBase, dll}));
    EXPECT_EQ(machine().GetModuleBaseName(process, dll), "helper.dll");
    EXPECT_EQ(machine().GetModuleFileNameEx(process, kImageBase), "C:\\app\\server.exe");
    EXPECT_EQ(machine().GetModuleFileNameEx(process, 0), "C:\\app\\server.exe");
    EXPECT_EQ(machine().GetMappedFileName(process, reinterpret_cast<const void*>(dll + 0x10)),
              "\\Device\\HarddiskVolume1\\app\\helper.dll");

    machine().UnloadModule(pid, dll);
    EXPECT_EQ(machine().EnumProcessModules(process)->size(), 1u);
    EXPECT_TRUE(machine().PeekMemory(pid, dll, 1).empty());
    machine().CloseHandle(process);
}

TEST_F(Modules, MapAndLoadSearchesCurrentDirectoryThenSearchPath) {
    WriteImage("C:\\first\\lib.dll", kImageBase, 0x11111111);
    WriteImage("C:\\second\\lib.dll", kImageBase, 0x22222222);
    WriteImage("C:\\second\\other.dll", kImageBase, 0x33333333);
    std::filesystem::create_directories(m_root / "C/junk");
    std::ofstream(m_root / "C/junk/notpe.dll") << "not an image";

    machine().SetCurrentDirectory("C:\\first");
    machine().SetImageSearchPath({"C:\\second", "C:\\junk"});
    EXPECT_EQ(machine().MapAndLoad("lib.dll")->TimeDateStamp, 0x11111111u);
    EXPECT_EQ(machine().MapAndLoad("other.dll")->TimeDateStamp, 0x33333333u);
    EXPECT_EQ(machine().MapAndLoad("C:\\second\\lib.dll")->SizeOfImage, 0x4000u);
    EXPECT_EQ(machine().MapAndLoad("missing.dll"), std::nullopt);
    EXPECT_EQ(machine().MapAndLoad("notpe.dll"), std::nullopt);

    // A 32-bit image: same header sizes, another optional header magic.
    test::PeBuilder builder;
    builder.TimeDateStamp(0x44444444).AddSection(".text", test::PeBuilder::kCode, {0xC3});
    std::vector<uint8_t> bytes = builder.Build();
    bytes[0x80 + 24] = 0x0B;
    bytes[0x80 + 25] = 0x01;
    std::ofstream(m_root / "C/second/old32.dll", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(machine().MapAndLoad("old32.dll")->TimeDateStamp, 0x44444444u);
    EXPECT_EQ(machine().MapAndLoad("old32.dll")->SizeOfImage, 0x2000u);
}

TEST_F(Modules, OwnProcessFindsSystemExportsAndLoadedModules) {
    const uint64_t kernel = machine().GetModuleHandle("kernel32.dll");
    ASSERT_NE(kernel, 0u);
    EXPECT_EQ(machine().GetModuleHandle("KERNEL32"), kernel);
    const uint64_t detach = machine().GetProcAddress(kernel, "DebugActiveProcessStop");
    EXPECT_NE(detach, 0u);
    EXPECT_NE(machine().GetProcAddress(machine().GetModuleHandle("ntdll"), "NtQueryInformationThread"), 0u);
    EXPECT_EQ(machine().GetProcAddress(kernel, "NoSuchFunction"), 0u);
    machine().SetHasDebugActiveProcessStop(false);
    EXPECT_EQ(machine().GetProcAddress(kernel, "DebugActiveProcessStop"), 0u);

    // A loaded module lives in real memory: its export table is readable at
    // RVAs from the base, and the snapshot knows its range.
    const uint64_t base = machine().LoadOwnModule(WriteImage("C:\\tools\\own.dll"));
    EXPECT_EQ(machine().GetModuleHandle("own"), base);
    EXPECT_EQ(machine().GetProcAddress(base, "Work"), base + kCodeRva);
    EXPECT_EQ(*reinterpret_cast<const uint8_t*>(base + kCodeRva), 0x55);
    EXPECT_TRUE(machine().IsReadableOwnMemory(reinterpret_cast<const void*>(base), 0x4000));
    const auto own = machine().SnapshotModules(0);
    ASSERT_TRUE(own.has_value());
    EXPECT_TRUE(std::any_of(own->begin(), own->end(), [&](const ModuleEntry& entry) {
        return entry.modBaseAddr == base && entry.modBaseSize == 0x4000 && entry.szModule == "own.dll";
    }));
    EXPECT_TRUE(std::any_of(own->begin(), own->end(), [&](const ModuleEntry& entry) {
        return detach >= entry.modBaseAddr && detach < entry.modBaseAddr + entry.modBaseSize;
    }));
}

TEST_F(Modules, ProcessesAndThreadsAppearInEnumerations) {
    const uint32_t pid = machine().CreateBareProcess("idle.exe");
    const uint32_t extra = machine().CreateThread(pid);
    EXPECT_EQ(pid % 4, 0u);
    EXPECT_EQ(extra % 4, 0u);
    const auto processes = machine().EnumProcesses();
    EXPECT_NE(std::find(processes->begin(), processes->end(), pid), processes->end());
    EXPECT_NE(std::find(processes->begin(), processes->end(), machine().GetCurrentProcessId()), processes->end());

    const uint32_t me = machine().GetCurrentThreadId();
    EXPECT_EQ(machine().GetCurrentThreadId(), me);
    uint32_t other = 0;
    std::thread([&] { other = machine().GetCurrentThreadId(); }).join();
    EXPECT_NE(other, me);

    const Handle process = machine().OpenProcess(kProcessQueryInfoAndVmRead, pid);
    EXPECT_EQ(machine().EnumProcessModules(process), std::nullopt);
    EXPECT_EQ(machine().GetModuleBaseName(process, 0), std::nullopt);
    machine().CloseHandle(process);

    const auto threads = machine().SnapshotThreads(pid);
    ASSERT_TRUE(threads.has_value());
    size_t mine = 0;
    for (const ThreadEntry& entry : *threads) {
        if (entry.th32OwnerProcessID == pid) ++mine;
        EXPECT_FALSE(entry.th32OwnerProcessID == pid && entry.th32ThreadID == me);
    }
    EXPECT_EQ(mine, 2u);

    machine().ExitThread(extra, 7);
    EXPECT_EQ(machine().ThreadIds(pid).size(), 1u);
    machine().ExitProcess(pid, 3);
    EXPECT_FALSE(machine().IsProcessAlive(pid));
    EXPECT_EQ(machine().ProcessExitCode(pid), 3u);
    EXPECT_EQ(machine().SnapshotThreads(pid), std::nullopt);
    EXPECT_EQ(machine().OpenProcess(kProcessAllAccess, pid), kNullHandle);
}

}  // namespace
}  // namespace qv::sim::testing
