// A simulated machine, a headless main window and helpers to run a tracer
// against the machine the way the dialog does (Trace, Stop).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "framework/Wnd.h"
#include "framework/headless/HeadlessWnd.h"
#include "platform/sim/SimMachine.h"
#include "tests/support/TempSimMachine.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace qv::test {

// The main window: control 1010 is the log; WM_USER+1 fetches parked lines,
// WM_USER+2 appends a direct line.
class LogMainWindow : public CHeadlessWnd {
public:
    LogMainWindow() { AddControl(kLogEditId, Kind::Edit); }
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        if (message == kWmDirectLog) return OnDirectLog(this, wParam, lParam);
        return message == kWmAsyncLog ? OnAsyncLog(this, wParam, lParam) : 0;
    }
    std::string LogText() const { return GetDlgItem(kLogEditId)->GetWindowText(); }
};

// How often what occurs in text (overlapping occurrences count).
inline size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_temp = std::make_unique<TempSimMachine>("sim");
        m_root = m_temp->Root();
        m_machine = &m_temp->Machine();
        SetPlatform(m_machine);
        ResetOptionFlags();
    }
    // The machine stays until the fixture is destroyed: the members of the
    // fixtures below (a tracer object) close their handles through it.
    void TearDown() override { ResetOptionFlags(); }
    void WriteFile(const std::string& windowsPath, const std::string& content) {
        ASSERT_TRUE(m_temp->WriteFile(windowsPath, content)) << windowsPath;
    }

    std::unique_ptr<TempSimMachine> m_temp;
    std::filesystem::path m_root;
    sim::SimMachine* m_machine = nullptr;
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
        m_tracer = StartTraceSession(processId, threadId, prepare);
        ASSERT_NE(m_tracer, nullptr);
    }
    void Start(uint32_t processId, uint32_t threadId = 0) {
        Start(processId, threadId, [](CDeamonThread&) {});
    }

    // The Stop button.
    void Stop() {
        EXPECT_TRUE(StopTraceSession(m_tracer, 20000)) << "tracer thread did not end";
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
