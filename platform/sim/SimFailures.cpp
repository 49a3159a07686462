// Platform calls made to fail on purpose, so tests reach the tracer's paths
// for a handle without rights or a page that turns unreadable.
#include "platform/sim/SimState.h"

namespace qv::sim {

void SimMachine::FailNextCalls(FailingCall call, uint32_t objectId, uint32_t count) {
    std::lock_guard lock(m_state->mutex);
    if (count == 0) {
        m_state->failures.erase({call, objectId});
    } else {
        m_state->failures[{call, objectId}] = count;
    }
}

}  // namespace qv::sim

namespace qv::sim::detail {

bool State::TakeFailure(FailingCall call, uint32_t objectId) {
    const auto found = failures.find({call, objectId});
    if (found == failures.end()) return false;
    if (--found->second == 0) failures.erase(found);
    return true;
}

}  // namespace qv::sim::detail
