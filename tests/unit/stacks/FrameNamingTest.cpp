#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "symbols/ExportLookup.h"
#include "tests/unit/symbols/SymbolFixture.h"
#include "tracer/CallStacks.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"

namespace qv::test {
namespace {

constexpr uint64_t kLibraryBase = 0x7FF8'1234'0000;

class FrameNamingTest : public SymbolFixture {
protected:
    void SetUp() override {
        SymbolFixture::SetUp();
        g_bDebug = false;
        m_tracer.m_nProcessId = m_machine->CreateBareProcess("server.exe");
        PeBuilder library;
        library.ImageBase(0x180000000).DllName("util.dll");
        const uint32_t code = library.AddSection(".text", PeBuilder::kCode, std::vector<uint8_t>(0x200, 0xC3));
        m_code = kLibraryBase + code;
        library.AddExport("alpha", code).AddExport("gamma", code + 0x40);
        WritePe("C:\\lib\\util.dll", library);
        m_machine->SetImageSearchPath({"C:\\lib"});
        const uint64_t base = m_machine->LoadModule(m_tracer.m_nProcessId, "C:\\lib\\util.dll", kLibraryBase);
        ASSERT_EQ(base, kLibraryBase);
        m_tracer.m_arrModules.AddModule(base, GetImageSize("util.dll"), "util.dll", "C:\\lib\\util.dll");
    }

    uint64_t m_code = 0;
};

TEST_F(FrameNamingTest, TracerNamesFramesByModuleSymbolOrUnknow) {
    const uint64_t ownExport = GetOwnExportAddress("ntdll.dll", "DbgBreakPoint");
    ASSERT_NE(ownExport, 0u);
    struct Case {
        uint64_t address;
        std::string expected;
    };
    const Case cases[] = {
        // A named function of a module, printed by its low 32 bits.
        {m_code + 4, FormatString("\t\t0x%08x (util.dll!alpha+4)\r\n", static_cast<uint32_t>(m_code + 4))},
        // Inside the module, before any export.
        {kLibraryBase + 0x10, "\t\t0x12340010 (util.dll!Unknow)\r\n"},
        // Outside every module of the target: the tool's own exports.
        {ownExport, "\t\t0x" + FormatString("%08x", static_cast<uint32_t>(ownExport)) + " (" +
                        *GetExportSymbolByAddress(ownExport, nullptr) + ")\r\n"},
        {0x5'0000'0040, "\t\t0x00000040 (Unknow!Unknow)\r\n"},
        {uint64_t{0} - 5, "\t\t0xfffffffb (Unknow!Unknow)\r\n"},
    };
    for (const Case& test : cases) EXPECT_EQ(m_tracer.CallStackFrameLine(test.address), test.expected);
}

TEST_F(FrameNamingTest, ExportNamingNeedsNoTracer) {
    const uint64_t ownExport = GetOwnExportAddress("ntdll.dll", "DbgBreakPoint");
    EXPECT_EQ(ExportFrameLine(ownExport), FormatString("\t\t0x%x (", static_cast<uint32_t>(ownExport)) +
                                              *GetExportSymbolByAddress(ownExport, nullptr) + ")\r\n");
    EXPECT_EQ(ExportFrameLine(0x1'0000'0abc), "\t\t0xabc (Unknow!Unknow)\r\n");
}

}  // namespace
}  // namespace qv::test
