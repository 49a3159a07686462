// The figures a refresh derives from two samples of the same process or
// thread, and the cell texts both lists share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

class CListCtrl;

// Nanoseconds between two performance counter values (taken as unsigned),
// whole; 0 without a frequency.
uint64_t ElapsedNanoseconds(int64_t prevTick, int64_t curTick, int64_t frequency);
// CPU load in percent of all processors: 100-ns CPU time over elapsed
// nanoseconds.
double LoadPercent(FileTime cur, FileTime prev, uint64_t elapsed, uint32_t processors);
// A counter's change per second; 0 when no time passed.
double PerSecond(uint64_t cur, uint64_t prev, uint64_t elapsed);
// The row's id as its column 0 text reads (decimal).
uint32_t RowId(const CListCtrl& list, int row);

// Kernel and user load between two samples of one process or thread; 0
// for a first sample, a time the sample lacks, or no time passed.
struct CpuLoads {
    double kernel = 0;
    double user = 0;
};
template <typename Info>
CpuLoads SampleLoads(const Info& cur, const Info* prev, uint64_t elapsed, uint32_t processors) {
    CpuLoads loads;
    if (prev == nullptr || elapsed < 1) return loads;
    if (cur.m_ftKernel != 0) loads.kernel = LoadPercent(cur.m_ftKernel, prev->m_ftKernel, elapsed, processors);
    if (cur.m_ftUser != 0) loads.user = LoadPercent(cur.m_ftUser, prev->m_ftUser, elapsed, processors);
    return loads;
}

std::string LoadText(double load);
std::string CyclesText(uint64_t cycles);
std::string CyclesRateText(uint64_t cycles, double perSecond);

}  // namespace qv
