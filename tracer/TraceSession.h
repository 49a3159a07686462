// One trace, started and stopped the way the Trace and Stop buttons do it.
// Every caller (the dialog, the demo program, the tests) goes through these
// two, so the stop's ordering rule lives in one place.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/PlatformTypes.h"

namespace qv {

class CDeamonThread;

// Creates the tracer suspended, gives it the process and the thread filter
// (0 = every thread), lets prepare fill its tables, then starts it. The
// tracer logs to the main window and is not deleted by its thread; null
// when the thread can't be created.
CDeamonThread* StartTraceSession(uint32_t processId, uint32_t threadId,
                                 const std::function<void(CDeamonThread&)>& prepare = {});

// Cleans up (bytes put back, threads released), switches the log off, asks
// the loop to detach, waits for the thread while handling the messages it
// sends, and deletes the tracer. On a time-out the tracer is left alive (its
// thread still uses it) and false is returned.
bool StopTraceSession(CDeamonThread* tracer, uint32_t milliseconds = kInfinite);

}  // namespace qv
