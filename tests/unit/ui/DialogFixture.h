// The main dialog opened headless on a simulated machine, with every message
// box recorded and answered from a list.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "framework/headless/HeadlessDialog.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "ui/Resource.h"
#include "ui/VellocApp.h"
#include "ui/VellocDlg.h"

namespace qv::test {

struct ShownBox {
    CWnd* owner;
    std::string text;
    std::string caption;
    uint32_t type;
};

class DialogFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        SetMessageBoxHandler([this](CWnd* owner, const std::string& text, const std::string& caption, uint32_t type) {
            m_boxes.push_back({owner, text, caption, type});
            if (m_answers.empty()) return kIdOk;
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        CloseDialog();
        SetMessageBoxHandler(nullptr);
        SetDialogOpenHandler(nullptr);
        SimFixture::TearDown();
    }

    // Opens the dialog as the program's main window.
    void OpenDialog() {
        m_dialog = std::make_unique<CVellocDlg>();
        AfxSetMainWnd(m_dialog.get());
        ASSERT_TRUE(m_dialog->Create());
    }
    void CloseDialog() {
        if (!m_dialog) return;
        m_dialog->StopTrace();
        PumpMessages();
        AfxSetMainWnd(nullptr);
        m_dialog.reset();
    }

    CHeadlessDialogWindow& Window() { return Headless(*m_dialog); }
    bool Click(int id) { return Window().Click(id); }
    CWnd& Control(int id) { return *m_dialog->GetDlgItem(id); }
    std::string Log() {
        PumpMessages();
        return Control(IDC_LOG).GetWindowText();
    }
    bool WaitForLog(const std::string& text, uint32_t milliseconds = 20000) {
        return PumpMessagesUntil([&] { return Control(IDC_LOG).GetWindowText().find(text) != std::string::npos; },
                                 milliseconds);
    }

    CVellocApp m_application;  // the title of the message boxes
    std::unique_ptr<CVellocDlg> m_dialog;
    std::vector<ShownBox> m_boxes;
    std::deque<int> m_answers;
};

}  // namespace qv::test
