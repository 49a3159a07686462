// Holding back this thread's log lines. While a thread holds a lock that
// the user-interface thread may wait for, a direct log append (a sent
// message that only the user-interface thread can handle) would deadlock;
// such lines are collected and delivered, in order, once the lock is gone.
#pragma once

namespace qv {

void BeginLogDeferral();
// Ends one level; the outermost end delivers the collected lines. Call it
// after releasing the lock.
void EndLogDeferral();

}  // namespace qv
