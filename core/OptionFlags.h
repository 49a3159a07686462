// The program's option switches: process-wide one-byte flags, written by the
// user-interface thread and read by the tracer thread. Atomic so that the
// tracer always sees a whole value without a lock.
#pragma once

#include <atomic>

namespace qv {

extern std::atomic<bool> g_bTest;
extern std::atomic<bool> g_bDetectRet;
extern std::atomic<bool> g_bDetail;
extern std::atomic<bool> g_bDebug;
extern std::atomic<bool> g_bAsynMsg;
extern std::atomic<bool> g_bNonZeroRpt;
extern std::atomic<bool> g_bStatOnly;

// All off, as at start.
void ResetOptionFlags();

}  // namespace qv
