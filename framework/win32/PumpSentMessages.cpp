#include "framework/WinThread.h"
#include "platform/win32/WinApi.h"

namespace qv {

// A PeekMessage that looks only at sent messages dispatches them to their
// window procedures before it returns; nothing posted is removed. It runs
// only when the queue status shows a sent message, so the answer is exact:
// one that arrives after the status check waits for the next call.
bool PumpSentMessages() {
    if ((HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) return false;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return true;
}

}  // namespace qv
