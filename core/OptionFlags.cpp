#include "core/OptionFlags.h"

namespace qv {

std::atomic<bool> g_bTest{false};
std::atomic<bool> g_bDetectRet{false};
std::atomic<bool> g_bDetail{false};
std::atomic<bool> g_bDebug{false};
std::atomic<bool> g_bAsynMsg{false};
std::atomic<bool> g_bNonZeroRpt{false};
std::atomic<bool> g_bStatOnly{false};

void ResetOptionFlags() {
    for (auto* flag : {&g_bTest, &g_bDetectRet, &g_bDetail, &g_bDebug, &g_bAsynMsg, &g_bNonZeroRpt, &g_bStatOnly}) {
        flag->store(false);
    }
}

}  // namespace qv
