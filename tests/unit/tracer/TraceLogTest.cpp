#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/TraceLog.h"
#include "framework/headless/HeadlessWnd.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

class TraceLogTest : public SimFixture {
protected:
    LogMainWindow m_window;
};

TEST_F(TraceLogTest, TimestampIsTwentyFiveCharactersDirectlyBeforeTheMessage) {
    m_machine->SetLocalTime(SystemTime{2026, 3, 3, 4, 5, 6, 7, 89});
    WriteLog(kLogToWindow, true, true, &m_window, "%c", 'x');
    EXPECT_EQ(m_window.LogText(), "[2026-03-04 05:06:07.089]x");
    EXPECT_EQ(FormatLogTimestamp(SystemTime{2026, 12, 4, 31, 23, 59, 59, 999}).size(), 25u);
}

TEST_F(TraceLogTest, FlagsSwitchAndWindowChooseTheDestinations) {
    struct Case {
        uint32_t flags;
        bool logSwitch;
        bool withWindow;
        bool inWindow;
        bool inBox;
    };
    const Case cases[] = {
        {1, true, true, true, false},  {2, true, true, false, true},  {3, true, true, true, true},
        {1, false, true, false, false}, {1, true, false, false, false}, {3, false, false, false, true},
    };
    for (const Case& c : cases) {
        LogMainWindow window;
        std::vector<std::string> boxes;
        SetMessageBoxHandler([&](CWnd* owner, const std::string& text, const std::string& caption, uint32_t type) {
            EXPECT_EQ(owner, nullptr);
            EXPECT_EQ(type, kMbOk);
            boxes.push_back(caption + ":" + text);
            return kIdOk;
        });
        WriteLog(c.flags, false, c.logSwitch, c.withWindow ? &window : nullptr, "%s 100%% %d\r\n", "a", 7);
        SetMessageBoxHandler(nullptr);
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        EXPECT_EQ(window.LogText(), c.inWindow ? "a 100% 7\r\n" : "");
        EXPECT_EQ(boxes, c.inBox ? std::vector<std::string>{"Message:a 100% 7\r\n"} : std::vector<std::string>{});
    }
}

TEST_F(TraceLogTest, ShownTextKeepsItsPercentSigns) {
    WriteLog(kLogToWindow, false, true, &m_window, "%s", "50%s%d");
    EXPECT_EQ(m_window.LogText(), "50%s%d");
}

TEST_F(TraceLogTest, DeferredLinesArriveThroughPostedMessages) {
    g_bAsynMsg = true;
    const int32_t before = PendingLogSequence();
    WriteLog(kLogToWindow, false, true, &m_window, "one\r\n");
    WriteLog(kLogToWindow, false, true, &m_window, "two\r\n");
    EXPECT_EQ(m_window.LogText(), "");
    EXPECT_EQ(PendingLogCount(), 2u);
    if (before <= kLogSeqLast - 2) {
        EXPECT_EQ(PendingLogSequence(), before + 2);
    }
    g_bAsynMsg = false;  // texts already parked are still delivered
    PumpMessages();
    EXPECT_EQ(m_window.LogText(), "one\r\ntwo\r\n");
    EXPECT_EQ(PendingLogCount(), 0u);
    // A message whose text is gone is ignored.
    EXPECT_EQ(OnAsyncLog(&m_window, 0, before + 1), 0);
    EXPECT_EQ(m_window.LogText(), "one\r\ntwo\r\n");
}

TEST_F(TraceLogTest, APostedMessageTakesEveryWaitingTextOnlyWhileJoiningIsOn) {
    g_bAsynMsg = true;
    for (const bool joining : {true, false}) {
        SetLogCoalescing(joining);
        LogMainWindow window;
        const int32_t first = PendingLogSequence() < kLogSeqLast ? PendingLogSequence() + 1 : 0;
        WriteLog(kLogToWindow, false, true, &window, "one\r\n");
        WriteLog(kLogToWindow, false, true, &window, "two\r\n");
        OnAsyncLog(&window, 0, first);
        SCOPED_TRACE(joining ? "joining" : "one at a time");
        EXPECT_EQ(window.LogText(), joining ? "one\r\ntwo\r\n" : "one\r\n");
        EXPECT_EQ(PendingLogCount(), joining ? 0u : 1u);
        PumpMessages();
        EXPECT_EQ(window.LogText(), "one\r\ntwo\r\n");
    }
    SetLogCoalescing(true);
}

TEST_F(TraceLogTest, SequenceWrapsFrom999999ToZero) {
    g_bAsynMsg = true;
    int32_t sequence = PendingLogSequence();
    while (sequence != kLogSeqLast) {
        AppendLogText(&m_window, "x");
        const int32_t next = PendingLogSequence();
        ASSERT_EQ(next, sequence < kLogSeqLast ? sequence + 1 : 0);
        sequence = next;
        if (sequence % 4096 == 0) {
            PumpMessages();
            m_window.GetDlgItem(kLogEditId)->SetWindowText("");
        }
    }
    AppendLogText(&m_window, "after the wrap");
    EXPECT_EQ(PendingLogSequence(), 0);
    AppendLogText(&m_window, "next");
    EXPECT_EQ(PendingLogSequence(), 1);
    PumpMessages();
    const std::string text = m_window.LogText();
    EXPECT_EQ(text.substr(text.size() - 18), "after the wrapnext");
}

TEST_F(TraceLogTest, LinesFromAnotherThreadKeepTheirOrderInBothModes) {
    for (const bool deferred : {false, true}) {
        g_bAsynMsg = deferred;
        LogMainWindow window;
        std::thread writer([&window] {
            for (int i = 0; i < 50; ++i) WriteLog(kLogToWindow, false, true, &window, "%d,", i);
        });
        std::string expected;
        for (int i = 0; i < 50; ++i) expected += std::to_string(i) + ",";
        EXPECT_TRUE(PumpMessagesUntil([&] { return window.LogText() == expected; }, 20000)) << window.LogText();
        writer.join();
    }
}

TEST_F(TraceLogTest, DirectLinesOfTwoThreadsArriveWhole) {
    g_bAsynMsg = false;
    LogMainWindow window;
    constexpr int kLines = 300;
    std::thread writer([&window] {
        for (int i = 0; i < kLines; ++i) WriteLog(kLogToWindow, false, true, &window, "tracer line %d\r\n", i);
    });
    // The window's own thread writes too, and handles the other's messages
    // between its lines.
    for (int i = 0; i < kLines; ++i) {
        WriteLog(kLogToWindow, false, true, &window, "window line %d\r\n", i);
        PumpMessages();
    }
    const auto whole = [&] {
        const std::string text = window.LogText();
        int tracer = 0;
        int own = 0;
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            const std::string line = text.substr(at, end - at);
            if (line == "tracer line " + std::to_string(tracer)) {
                ++tracer;
            } else if (line == "window line " + std::to_string(own)) {
                ++own;
            } else {
                return false;
            }
        }
        return tracer == kLines && own == kLines && text.ends_with("\r\n");
    };
    EXPECT_TRUE(PumpMessagesUntil(whole, 20000)) << window.LogText();
    writer.join();
}

}  // namespace
}  // namespace qv::test
