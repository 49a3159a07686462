#include <gtest/gtest.h>

#include "symbols/ModuleList.h"

namespace qv {
namespace {

TEST(ModuleListTest, FindsByNameIgnoringCaseAndByHalfOpenRange) {
    CModuleArray modules;
    modules.AddModule(0x400000, 0x1000, "ORACLE.EXE", "D:\\db\\BIN\\ORACLE.EXE");
    modules.AddModule(0x7FF800000000, 0x2000, "ntdll.dll", "C:\\Windows\\System32\\ntdll.dll");
    modules.AddModule(0x10000000, 0, "nosize.dll", "C:\\x\\nosize.dll");

    EXPECT_EQ(modules.FindModule("oracle.exe"), 0);
    EXPECT_EQ(modules.FindModule("NTDLL.DLL"), 1);
    EXPECT_EQ(modules.FindModule("ntdll"), -1);
    EXPECT_EQ(modules.FindModule("nosize.dll"), 2);

    const std::pair<uint64_t, int32_t> addresses[] = {
        {0x400000, 0}, {0x400FFF, 0}, {0x401000, -1}, {0x3FFFFF, -1},
        {0x7FF800000000, 1}, {0x7FF800001FFF, 1}, {0x7FF800002000, -1},
        {0x10000000, -1},  // a module of size 0 holds no address
    };
    for (const auto& [address, index] : addresses) EXPECT_EQ(modules.FindModuleByAddress(address), index);
}

TEST(ModuleListTest, FirstModuleOfANameStays) {
    CModuleArray modules;
    modules.AddModule(0x10000000, 0x1000, "util.dll", "C:\\a\\util.dll");
    modules.AddModule(0x20000000, 0x1000, "UTIL.DLL", "C:\\b\\UTIL.DLL");
    ASSERT_EQ(modules.GetSize(), 1);
    EXPECT_EQ(modules.GetAt(0).szPath, "C:\\a\\util.dll");
    EXPECT_EQ(modules.FindModuleByAddress(0x20000000), -1);
}

TEST(ModuleListTest, PathsAreCutAndRemovalShiftsLaterRecords) {
    CModuleArray modules;
    modules.AddModule(0x1000, 0x1000, "a.dll", std::string(400, 'p'));
    modules.AddModule(0x2000, 0x1000, "b.dll", "C:\\b.dll");
    modules.AddModule(0x3000, 0x1000, "c.dll", "C:\\c.dll");
    EXPECT_EQ(modules.GetAt(0).szPath.size(), 259u);

    modules.RemoveModule(1);
    EXPECT_EQ(modules.FindModule("c.dll"), 1);
    modules.RemoveModule(5);
    EXPECT_EQ(modules.GetSize(), 2);
    modules.RemoveAllModules();
    EXPECT_TRUE(modules.IsEmpty());
    EXPECT_EQ(modules.FindModuleByAddress(0x1000), -1);
}

}  // namespace
}  // namespace qv
