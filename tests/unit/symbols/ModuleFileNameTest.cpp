#include "tests/unit/symbols/SymbolFixture.h"

namespace qv::test {
namespace {

class ModuleFileNameTest : public SymbolFixture {
protected:
    std::optional<std::string> NameOf(const std::string& path) {
        const Handle file = Platform().OpenFileForRead(path.c_str(), kFileShareRead);
        EXPECT_NE(file, kNullHandle) << path;
        std::string name = "untouched";
        const bool ok = m_tracer.GetFileNameFromHandle(file, name, 1024);
        Platform().CloseHandle(file);
        if (!ok) {
            EXPECT_EQ(name, "untouched");
            return std::nullopt;
        }
        return name;
    }
};

TEST_F(ModuleFileNameTest, GivesTheDriveLetterPath) {
    WriteFile("C:\\Windows\\System32\\kernel32.dll", "MZ");
    EXPECT_EQ(NameOf("C:\\Windows\\System32\\kernel32.dll"), "C:\\Windows\\System32\\kernel32.dll");
}

TEST_F(ModuleFileNameTest, DeviceOfOneVolumeDoesNotClaimAnotherWithALongerNumber) {
    // C: is HarddiskVolume1, L: is HarddiskVolume10.
    std::filesystem::create_directories(m_root / "L");
    WriteFile("L:\\data\\x.dll", "MZ");
    EXPECT_EQ(NameOf("L:\\data\\x.dll"), "L:\\data\\x.dll");
}

TEST_F(ModuleFileNameTest, EmptyFilesFailAndUnletteredVolumesKeepDeviceForm) {
    WriteFile("C:\\empty.dll", "");
    EXPECT_EQ(NameOf("C:\\empty.dll"), std::nullopt);

    const auto outside = m_root / "outside.dll";
    FILE* file = std::fopen(outside.string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("MZ", file);
    std::fclose(file);
    const auto name = NameOf(outside.string());
    ASSERT_TRUE(name);
    EXPECT_EQ(name->rfind("\\Device\\", 0), 0u) << *name;
    EXPECT_EQ(name->substr(name->size() - 11), "outside.dll");
}

}  // namespace
}  // namespace qv::test
