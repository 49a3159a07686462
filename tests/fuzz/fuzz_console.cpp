// Console commands on arbitrary text, one per line, against the simulated
// server while a trace runs and its threads hit trace points. After Stop
// every byte of the server's code and data must be what it was or what a
// poke wrote there: no 0xCC of the tracer left behind, no saved byte gone
// stale, no write the user didn't type.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "framework/headless/HeadlessWnd.h"
#include "base/AsciiText.h"
#include "tests/support/SimServer.h"
#include "tracer/DeamonThread.h"
#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "ui/console/CommandConsole.h"

namespace {

using namespace qv;

constexpr size_t kMaxCommands = 8;
constexpr size_t kMaxCommandLength = 512;
constexpr uint32_t kWaitMilliseconds = 20000;

class LogWindow : public CHeadlessWnd {
public:
    LogWindow() { AddControl(kLogEditId, Kind::Edit); }
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        return message == kWmAsyncLog ? OnAsyncLog(this, wParam, lParam) : 0;
    }
    std::string Take() {
        PumpMessages();
        CWnd* edit = GetDlgItem(kLogEditId);
        std::string text = edit->GetWindowText();
        edit->SetWindowText("");
        return text;
    }
};

struct World {
    World() {
        root = std::filesystem::temp_directory_path() / ("qv-fuzz-console-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "C");
        machine = std::make_unique<sim::SimMachine>(root);
        SetPlatform(machine.get());
        AfxSetMainWnd(&window);
        pid = test::InstallSimServer(*machine);
        worker = machine->CreateThread(pid);
        test::WriteHostFile(*machine, "C:\\TracePoints.txt",
                            {'k', 's', 'l', 'g', 'e', 't', '\n', 'k', 's', 'l', 'f', 'r', 'e', '\n'});
    }
    std::filesystem::path root;
    std::unique_ptr<sim::SimMachine> machine;
    LogWindow window;
    uint32_t pid = 0;
    uint32_t worker = 0;
};

World& TheWorld() {
    static World world;
    return world;
}

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_console: %s\n", what);
    std::abort();
}

// The bytes a poke line says were typed for a 32-bit address, into expected.
void RecordPokes(const std::string& log, std::map<uint64_t, uint8_t>& expected) {
    for (size_t at = log.find("[0x"); at != std::string::npos; at = log.find("[0x", at + 1)) {
        const size_t colon = log.find("]: ", at);
        const size_t arrow = log.find(" => ", at);
        const size_t end = log.find(" \r\n", arrow == std::string::npos ? at : arrow);
        if (colon != at + 11 || arrow == std::string::npos || end == std::string::npos) continue;
        const auto address = ReadWholeHex(std::string_view(log).substr(at + 3, 8), false);
        const std::string_view old = std::string_view(log).substr(colon + 3, arrow - colon - 3);
        const std::string_view typed = std::string_view(log).substr(arrow + 4, end - arrow - 4);
        if (!address) continue;
        for (size_t i = 0; 2 * i + 1 < typed.size() && 2 * i + 1 < old.size(); ++i) {
            const auto value = ReadWholeHex(typed.substr(2 * i, 2), false);
            // "??": the byte couldn't be read, so it wasn't there to change.
            if (value && old.substr(2 * i, 2) != "??") expected[*address + i] = static_cast<uint8_t>(*value);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& world = TheWorld();
    ResetOptionFlags();
    // A poke may have planted an int3 of the user's own that ended the server.
    if (!world.machine->IsProcessAlive(world.pid)) {
        world.pid = world.machine->CreateProcess("C:\\db\\BIN\\ORACLE.EXE");
        world.worker = world.machine->CreateThread(world.pid);
    }
    world.machine->PokeMemory(world.pid, test::kServerCode, test::ServerCode());
    world.machine->PokeMemory(world.pid, test::kServerData, test::ServerData());

    auto* tracer = new CDeamonThread;
    tracer->m_bLogToWindow = true;
    tracer->m_bAutoDelete = false;
    Check(tracer->CreateThread(kCreateSuspended), "tracer thread not created");
    tracer->SetTarget(world.pid, 0);
    tracer->ResumeThread();
    Check(PumpMessagesUntil([&] { return world.window.GetDlgItem(kLogEditId)->GetWindowText().find(
                                             "Initializing complete!") != std::string::npos; },
                            kWaitMilliseconds),
          "trace did not start");
    world.window.Take();
    world.machine->ScriptCalls(world.worker, {sim::SimCall{test::kKslget, {1}, 0, 0, {}},
                                              sim::SimCall{test::kKslfre, {2}, 0, 0, {}}});

    ConsoleSession session;
    session.pTracer = tracer;
    session.pLogWindow = &world.window;
    session.showToolButtons = [](bool) {};
    std::map<uint64_t, uint8_t> poked;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (size_t n = 0; n < kMaxCommands && start <= input.size(); ++n) {
        const size_t newline = std::min(input.find('\n', start), input.size());
        const std::string command(input.substr(start, std::min(newline - start, kMaxCommandLength)));
        ExecuteConsoleCommand(command, session);
        RecordPokes(world.window.Take(), poked);
        start = newline + 1;
    }

    tracer->CleanupTracer();
    tracer->m_bLogToWindow = false;
    tracer->m_bAttached = false;
    Check(tracer->WaitForThread(kWaitMilliseconds), "tracer thread did not end");
    delete tracer;
    world.window.Take();

    const std::vector<uint8_t> code = test::ServerCode();
    const std::vector<uint8_t> bytes = world.machine->PeekMemory(world.pid, test::kServerCode, code.size());
    for (size_t i = 0; i < code.size(); ++i) {
        const auto found = poked.find(test::kServerCode + i);
        Check(bytes.at(i) == (found == poked.end() ? code[i] : found->second), "code byte changed");
    }
    const std::vector<uint8_t> original = test::ServerData();
    const std::vector<uint8_t> now = world.machine->PeekMemory(world.pid, test::kServerData, original.size());
    for (size_t i = 0; i < original.size(); ++i) {
        const auto found = poked.find(test::kServerData + i);
        Check(now.at(i) == (found == poked.end() ? original[i] : found->second), "data byte changed");
    }
    return 0;
}
