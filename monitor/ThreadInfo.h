// One sample of one thread, and the array of the latest samples.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Array.h"
#include "platform/PlatformTypes.h"

namespace qv {

class IPlatform;

struct CThreadInfo {
    uint32_t m_nTID = 0;
    FileTime m_ftCreation = 0;
    FileTime m_ftExit = 0;
    FileTime m_ftKernel = 0;
    FileTime m_ftUser = 0;
    // No sampling step fills it.
    std::string m_strName;
    bool m_bIOPending = false;
    int32_t m_nPriority = 0;
    uint64_t m_nCycles = 0;
    int64_t m_nSampleTick = 0;
};

class CThreadArray : public CArray<CThreadInfo> {
public:
    int32_t FindByTID(uint32_t threadId) const;
};

// Empties samples, then samples the threads the system snapshot lists for
// the process, in snapshot order.
void SampleThreads(IPlatform& platform, uint32_t processId, CThreadArray& samples);

}  // namespace qv
