// Killing, suspending and resuming a process or a thread by id. Each opens
// its object with all access rights and closes it again; each says whether
// it succeeded.
#pragma once

#include <cstdint>

namespace qv {

// Terminates with the process's own exit code (259, still active, for a
// running one); fails without terminating when that code can't be read.
bool KillProcess(uint32_t processId);
// Each fails on a thread that has ended, even one that can still be opened.
bool KillThread(uint32_t threadId);
bool SuspendThreadById(uint32_t threadId);
bool ResumeThreadById(uint32_t threadId);
// Every thread of the process is tried, even after one fails; success only
// when none failed and the process still had threads.
bool SuspendProcess(uint32_t processId);
bool ResumeProcess(uint32_t processId);

}  // namespace qv
