#include "framework/WinThread.h"
#include "platform/win32/WinApi.h"

namespace qv {

// A PeekMessage that looks only at sent messages dispatches them to their
// window procedures before it returns; nothing posted is removed.
bool PumpSentMessages() {
    const bool pending = HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return pending;
}

}  // namespace qv
