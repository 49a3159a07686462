// The tracer of the end-to-end programs, started and stopped the way the
// Trace and Stop buttons do it, and a wait for a text in its log.
#pragma once

#include <cstdint>
#include <string>

#include "framework/headless/TextLogWindow.h"
#include "platform/win32/WinApi.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace e2e {

inline qv::CDeamonThread* StartTracer(uint32_t processId) { return qv::StartTraceSession(processId, 0); }

// The time the stop took.
inline ULONGLONG StopTracer(qv::CDeamonThread* tracer) {
    const ULONGLONG start = GetTickCount64();
    qv::StopTraceSession(tracer);
    return GetTickCount64() - start;
}

inline bool WaitForText(const qv::CTextLogWindow& window, const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (window.Text().find(text) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace e2e
