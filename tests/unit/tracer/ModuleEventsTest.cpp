// The module list from load events when the search path holds another
// file of the same name: the range is the loaded module's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

constexpr uint64_t kDllBase = 0x180000000;

class ModuleEventsTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        PeBuilder exe;
        exe.AddSection(".text", PeBuilder::kCode, {0xC3});
        exe.WriteTo(m_machine->HostPath("C:\\app\\server.exe"));
        WriteDll("C:\\app\\util.dll", 0x200);
        // The same name first on the search path, with a much larger image.
        WriteDll("C:\\first\\util.dll", 0x9000);
        m_machine->SetImageSearchPath({"C:\\first", "C:\\app"});
        m_pid = m_machine->CreateProcess("C:\\app\\server.exe");
        m_tracer.SetTarget(m_pid, 0);
        ASSERT_TRUE(m_tracer.InitTracer());
        HandleAll();
    }
    void TearDown() override {
        m_tracer.CleanupTracer();
        m_tracer.m_bAttached = false;
        m_tracer.CleanupTracer();
        SimFixture::TearDown();
    }
    void WriteDll(const std::string& path, size_t codeSize) {
        PeBuilder dll;
        dll.ImageBase(kDllBase).DllName("util.dll");
        dll.AddSection(".text", PeBuilder::kCode, std::vector<uint8_t>(codeSize, 0x90));
        const auto host = m_machine->HostPath(path);
        std::filesystem::create_directories(host.parent_path());
        dll.WriteTo(host);
    }
    void HandleAll() {
        DebugEvent event;
        while (Platform().WaitForDebugEvent(event, 1000)) {
            uint32_t status;
            {
                TableLock lock(m_tracer);
                status = m_tracer.DispatchEvent(event);
            }
            Platform().ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        }
    }

    uint32_t m_pid = 0;
    CDeamonThread m_tracer;
};

TEST_F(ModuleEventsTest, ALoadedModuleGetsTheSizeOfItsOwnImage) {
    const uint32_t own = Platform().MapAndLoad("C:\\app\\util.dll")->SizeOfImage;
    ASSERT_NE(own, Platform().MapAndLoad("util.dll")->SizeOfImage);
    struct Case {
        const char* what;
        bool headersReadable;
    };
    for (const Case c : {Case{"headers in memory", true}, Case{"headers unreadable: the event's file", false}}) {
        SCOPED_TRACE(c.what);
        m_machine->LoadModule(m_pid, "C:\\app\\util.dll", kDllBase);
        if (!c.headersReadable) m_machine->Protect(m_pid, kDllBase, 0x1000, sim::Protection::NoAccess);
        HandleAll();
        const int32_t index = m_tracer.m_arrModules.FindModule("util.dll");
        ASSERT_GE(index, 0);
        EXPECT_EQ(m_tracer.m_arrModules.GetAt(index).nSize, own);
        EXPECT_EQ(m_tracer.m_arrModules.FindModuleByAddress(kDllBase + own), -1);
        m_machine->UnloadModule(m_pid, kDllBase);
        HandleAll();
        ASSERT_EQ(m_tracer.m_arrModules.FindModule("util.dll"), -1);
    }
}

}  // namespace
}  // namespace qv::test
