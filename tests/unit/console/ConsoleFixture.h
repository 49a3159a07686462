// A traced server on the simulated machine: ORACLE.EXE in a server home
// with its symbol file, a few small functions and some data, and the
// console run against the tracer as the dialog runs it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/PeBuilder.h"
#include "tests/unit/symbols/SymFileWriter.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "ui/console/CommandConsole.h"

namespace qv::test {

inline constexpr uint32_t kServerLinkTime = 0x4A000000;
inline constexpr uint64_t kServerBase = 0x400000;
inline constexpr uint64_t kKslget = 0x401000;
inline constexpr uint64_t kKslfre = 0x401080;
inline constexpr uint64_t kCut = 0x401082;
inline constexpr uint64_t kGreeting = 0x403000;
inline constexpr uint64_t kGreetingPointer = 0x403010;

// kslget: call kslfre; mov eax, [403000]; mov eax, 403000; mov eax, 10; ret
inline const std::vector<uint8_t> kKslgetCode = {0xE8, 0x7B, 0x00, 0x00, 0x00, 0xA1, 0x00, 0x30, 0x40, 0x00, 0xB8,
                                                 0x00, 0x30, 0x40, 0x00, 0xB8, 0x10, 0x00, 0x00, 0x00, 0xC3};

inline const std::vector<testing::SymEntry> kServerSymbols = {
    {0x10001000, "kslget"}, {0x10001015, "kslget_end"}, {0x10001080, "kslfre"}, {0x10001082, "cut"},
    {0x10001085, "opiexe"}, {0x10001100, "beef"}};

class ConsoleFixture : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        InstallServer(kServerSymbols);
    }

    void InstallServer(const std::vector<testing::SymEntry>& symbols) {
        std::vector<uint8_t> code(0x2000, 0x90);
        std::copy(kKslgetCode.begin(), kKslgetCode.end(), code.begin());
        const std::vector<uint8_t> kslfre = {0x55, 0xC3, 0xE8, 0x00, 0x00};
        std::copy(kslfre.begin(), kslfre.end(), code.begin() + 0x80);
        std::vector<uint8_t> data(0x100, 0);
        const std::string greeting = "hello world";
        std::copy(greeting.begin(), greeting.end(), data.begin());
        const std::vector<uint8_t> pointer = {0x00, 0x30, 0x40, 0x00};
        std::copy(pointer.begin(), pointer.end(), data.begin() + 0x10);

        PeBuilder server;
        server.ImageBase(kServerBase).TimeDateStamp(kServerLinkTime);
        server.AddSection(".text", PeBuilder::kCode, code);
        server.AddSection(".data", PeBuilder::kData, data);
        const auto path = m_machine->HostPath("C:\\db\\BIN\\ORACLE.EXE");
        std::filesystem::create_directories(path.parent_path());
        server.WriteTo(path);
        WriteFile("C:\\db\\BIN\\orapls11.dll", "x");
        const std::vector<uint8_t> sym = testing::WriteSymbolFile(symbols, kServerLinkTime + 60);
        WriteFile("C:\\db\\BIN\\ORACLE.SYM", std::string(sym.begin(), sym.end()));
        m_machine->SetImageSearchPath({"C:\\db\\BIN"});
        m_pid = m_machine->CreateProcess("C:\\db\\BIN\\ORACLE.EXE");
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
