#include "tracer/TraceSession.h"

#include "tracer/DeamonThread.h"

namespace qv {

CDeamonThread* StartTraceSession(uint32_t processId, uint32_t threadId,
                                 const std::function<void(CDeamonThread&)>& prepare) {
    auto* tracer = new CDeamonThread;
    tracer->m_bLogToWindow = true;
    if (!tracer->CreateThread(kCreateSuspended)) {
        delete tracer;
        return nullptr;
    }
    tracer->SetTarget(processId, threadId);
    tracer->m_bAutoDelete = false;
    if (prepare) prepare(*tracer);
    tracer->ResumeThread();
    return tracer;
}

bool StopTraceSession(CDeamonThread* tracer, uint32_t milliseconds) {
    // The bytes go back while the loop still runs, so that hits already
    // queued are rewound by its final passes rather than reaching a
    // detached target.
    tracer->CleanupTracer();
    tracer->m_bLogToWindow = false;
    tracer->m_bAttached = false;
    if (!tracer->WaitForThread(milliseconds)) return false;
    delete tracer;
    return true;
}

}  // namespace qv
