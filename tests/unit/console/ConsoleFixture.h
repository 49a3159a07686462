// The simulated server traced, and the console run against the tracer as
// the dialog runs it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/SimServer.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "ui/console/CommandConsole.h"

namespace qv::test {

class ConsoleFixture : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        InstallServer(kServerSymbols);
    }

    void InstallServer(const std::vector<testing::SymEntry>& symbols) {
        m_pid = InstallSimServer(*m_machine, symbols);
        m_worker = m_machine->CreateThread(m_pid);
    }

    void StartTracing() {
        Start(m_pid);
        ASSERT_TRUE(WaitForLog("Initializing complete!\r\n"));
        Taken();
    }

    // Runs one command as the dialog does and gives what it wrote.
    std::string Run(const std::string& text, bool tracing = true) {
        Taken();
        ConsoleSession session;
        session.pTracer = tracing ? m_tracer : nullptr;
        session.pLogWindow = &m_window;
        session.showToolButtons = [this](bool show) { m_toolButtons.push_back(show); };
        ExecuteConsoleCommand(text, session);
        return Taken();
    }

    // The log since the last call.
    std::string Taken() {
        const std::string text = Log();
        m_window.GetDlgItem(kLogEditId)->SetWindowText("");
        return text;
    }

    std::vector<uint8_t> Memory(uint64_t address, uint64_t size) { return m_machine->PeekMemory(m_pid, address, size); }
    uint8_t MemoryByte(uint64_t address) { return Memory(address, 1).at(0); }

    uint32_t m_pid = 0;
    uint32_t m_worker = 0;
    std::vector<bool> m_toolButtons;
};

}  // namespace qv::test
