// One sample of one process, and the array of the latest samples.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Array.h"
#include "platform/PlatformTypes.h"

namespace qv {

class IPlatform;

struct CProInfo {
    uint32_t m_nPID = 0;
    FileTime m_ftCreation = 0;
    FileTime m_ftExit = 0;
    FileTime m_ftKernel = 0;
    FileTime m_ftUser = 0;
    std::string m_strName;
    std::string m_strPath;
    uint64_t m_nCycles = 0;
    IoCounters m_IoCounters;
    ProcessMemoryCounters m_MemCounters;
    // The performance counter right after the times were read; 0 when they
    // couldn't be.
    int64_t m_nSampleTick = 0;
};

class CProcessArray : public CArray<CProInfo> {
public:
    // The index of the first sample with that id, or -1.
    int32_t FindByPID(uint32_t processId) const;
};

// Empties samples, then samples every process the platform lets us open, in
// the order the system lists them.
void SampleProcesses(IPlatform& platform, CProcessArray& samples);

}  // namespace qv
