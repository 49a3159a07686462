// The tracer of the end-to-end programs, started and stopped the way the
// Trace and Stop buttons do it.
#pragma once

#include <cstdint>

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

}  // namespace e2e
