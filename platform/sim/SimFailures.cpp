// Platform calls made to fail on purpose, so tests reach the callers' paths
// for a handle without rights, a page that turns unreadable or a query
// that is refused.
#include <limits>

#include "platform/sim/SimLastError.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

constexpr uint32_t kFailAlways = std::numeric_limits<uint32_t>::max();

}  // namespace

void SimMachine::FailNextCalls(FailingCall call, uint32_t objectId, uint32_t count) {
    std::lock_guard lock(m_state->mutex);
    if (count == 0) {
        m_state->failures.erase({call, objectId});
    } else {
        m_state->failures[{call, objectId}] = count;
    }
}

void SimMachine::FailCalls(FailingCall call, uint32_t objectId, bool fail) {
    FailNextCalls(call, objectId, fail ? kFailAlways : 0);
}

}  // namespace qv::sim

namespace qv::sim::detail {

bool State::TakeFailure(FailingCall call, uint32_t objectId) {
    auto found = failures.find({call, objectId});
    if (found == failures.end()) found = failures.find({call, 0});
    if (found == failures.end()) return false;
    if (found->second != kFailAlways && --found->second == 0) failures.erase(found);
    SetLastError(kErrorAccessDenied);
    return true;
}

}  // namespace qv::sim::detail
