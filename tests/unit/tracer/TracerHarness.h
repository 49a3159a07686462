// A simulated machine, a headless main window and helpers to run a tracer
// against the machine the way the dialog does (Trace, Stop).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "framework/Wnd.h"
#include "framework/headless/HeadlessWnd.h"
#include "platform/sim/SimMachine.h"
#include "tracer/DeamonThread.h"
#include "tracer/OptionFlags.h"
#include "tracer/TraceLog.h"

namespace qv::test {

// The main window: control 1010 is the log; WM_USER+1 fetches parked lines.
class LogMainWindow : public CHeadlessWnd {
public:
    LogMainWindow() { AddControl(kLogEditId, Kind::Edit); }
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        return message == kWmAsyncLog ? OnAsyncLog(this, wParam, lParam) : 0;
    }
    std::string LogText() const { return GetDlgItem(kLogEditId)->GetWindowText(); }
};

inline std::filesystem::path MakeTempRoot(const char* tag) {
    static std::atomic<int> counter{0};
    auto root = std::filesystem::temp_directory_path() /
                (std::string("qv-") + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "C");
    return root;
}

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = MakeTempRoot("sim");
        m_machine = std::make_unique<sim::SimMachine>(m_root);
        SetPlatform(m_machine.get());
        ResetOptionFlags();
    }
    void TearDown() override {
        ResetOptionFlags();
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    void WriteFile(const std::string& windowsPath, const std::string& content) {
        const auto path = m_machine->HostPath(windowsPath);
        std::filesystem::create_directories(path.parent_path());
        FILE* file = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }

    std::filesystem::path m_root;
    std::unique_ptr<sim::SimMachine> m_machine;
};

class TracerFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        AfxSetMainWnd(&m_window);
    }
    void TearDown() override {
        if (m_tracer) Stop();
        AfxSetMainWnd(nullptr);
        SimFixture::TearDown();
    }

    // The Trace button: the tracer is created suspended, targeted, resumed.
    // prepare runs before the thread starts (to fill tables).
    template <typename Prepare>
    void Start(uint32_t processId, uint32_t threadId, Prepare prepare) {
        m_tracer = new CDeamonThread;
        m_tracer->m_bLogToWindow = true;
        ASSERT_TRUE(m_tracer->CreateThread(kCreateSuspended));
        m_tracer->SetTarget(processId, threadId);
        m_tracer->m_bAutoDelete = false;
        prepare(*m_tracer);
        m_tracer->ResumeThread();
    }
    void Start(uint32_t processId, uint32_t threadId = 0) {
        Start(processId, threadId, [](CDeamonThread&) {});
    }

    // The Stop button.
    void Stop() {
        m_tracer->CleanupTracer();
        m_tracer->m_bLogToWindow = false;
        m_tracer->m_bAttached = false;
        const bool ended = m_tracer->WaitForThread(20000);
        EXPECT_TRUE(ended) << "tracer thread did not end";
        if (ended) delete m_tracer;
        m_tracer = nullptr;
        PumpMessages();
    }

    bool WaitForLog(const std::string& text, uint32_t milliseconds = 20000) {
        return PumpMessagesUntil([&] { return m_window.LogText().find(text) != std::string::npos; }, milliseconds);
    }
    bool WaitUntil(const std::function<bool()>& done, uint32_t milliseconds = 20000) {
        return PumpMessagesUntil(done, milliseconds);
    }
    std::string Log() {
        PumpMessages();
        return m_window.LogText();
    }

    LogMainWindow m_window;
    CDeamonThread* m_tracer = nullptr;
};

}  // namespace qv::test
