// A machine over a fresh host folder with drive C, and the small pieces the
// tests share: a test image with one code section and an export, and a
// debugger loop step that drains events.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/SimMachine.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempSimMachine.h"

namespace qv::sim::testing {

inline constexpr uint64_t kImageBase = 0x140000000;
inline constexpr uint32_t kCodeRva = 0x1000;
inline constexpr uint64_t kFunction = kImageBase + kCodeRva;
inline constexpr uint64_t kSecondFunction = kFunction + 0x20;

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_temp = std::make_unique<test::TempSimMachine>("sim");
        m_root = m_temp->Root();
        m_machine = &m_temp->Machine();
    }
    void TearDown() override {
        m_machine = nullptr;
        m_temp.reset();
    }

    SimMachine& machine() { return *m_machine; }

    // A PE32+ image at windowsPath: .text of 0x40 nop-like bytes holding two
    // functions (at +0 and +0x20), a writable .data and an export "Work".
    std::string WriteImage(const std::string& windowsPath, uint64_t base = kImageBase, uint32_t stamp = 0x600DF00D) {
        test::PeBuilder builder;
        builder.ImageBase(base).TimeDateStamp(stamp);
        const uint32_t code = builder.AddSection(".text", test::PeBuilder::kCode, std::vector<uint8_t>(0x40, 0x55));
        builder.AddSection(".data", test::PeBuilder::kData, std::vector<uint8_t>(0x10, 0xAA));
        builder.AddExport("Work", code);
        builder.WriteTo(machine().HostPath(windowsPath));
        return windowsPath;
    }

    // Waits for one event; nullopt when the wait timed out.
    std::optional<DebugEvent> Next(uint32_t milliseconds = 1000) {
        DebugEvent event;
        if (!machine().WaitForDebugEvent(event, milliseconds)) return std::nullopt;
        return event;
    }

    // Continues every event not handled until a wait times out; returns the
    // codes seen and closes the file handles that came with them.
    std::vector<uint32_t> Drain() {
        std::vector<uint32_t> codes;
        while (auto event = Next()) {
            codes.push_back(event->dwDebugEventCode);
            if (event->hFile != kNullHandle) machine().CloseHandle(event->hFile);
            EXPECT_TRUE(machine().ContinueDebugEvent(event->dwProcessId, event->dwThreadId, kDbgExceptionNotHandled));
        }
        return codes;
    }

    std::unique_ptr<test::TempSimMachine> m_temp;
    std::filesystem::path m_root;
    SimMachine* m_machine = nullptr;
};

}  // namespace qv::sim::testing
