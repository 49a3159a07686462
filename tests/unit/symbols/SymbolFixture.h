// A simulated machine and a tracer object that isn't running: the symbol
// operations are called directly, as the loop and the console call them,
// and the log lines land in a headless main window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "symbols/SymbolFileCache.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {

class SymbolFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        AfxSetMainWnd(&m_window);
        m_tracer.m_bLogToWindow = true;
        g_bDebug = true;
        ClearSymbolFileCache();
    }
    void TearDown() override {
        AfxSetMainWnd(nullptr);
        ClearSymbolFileCache();
        SimFixture::TearDown();
    }

    void WriteBytes(const std::string& windowsPath, const std::vector<uint8_t>& bytes) {
        WriteFile(windowsPath, std::string(bytes.begin(), bytes.end()));
    }
    void WritePe(const std::string& windowsPath, const PeBuilder& builder) {
        const auto path = m_machine->HostPath(windowsPath);
        std::filesystem::create_directories(path.parent_path());
        builder.WriteTo(path);
    }
    // The log written since the last call.
    std::string TakeLog() {
        PumpMessages();
        const std::string text = m_window.LogText();
        m_window.GetDlgItem(kLogEditId)->SetWindowText("");
        return text;
    }

    LogMainWindow m_window;
    CDeamonThread m_tracer;
};

}  // namespace qv::test
