#include "monitor/ProInfo.h"
#include "platform/Platform.h"

namespace qv {

int32_t CProcessArray::FindByPID(uint32_t processId) const {
    for (int32_t index = 0; index < GetSize(); ++index) {
        if (GetAt(index).m_nPID == processId) return index;
    }
    return -1;
}

namespace {

// The statistics of an open process; a call that fails leaves its fields 0
// or empty.
void ReadProcessStatistics(IPlatform& platform, Handle process, CProInfo& sample) {
    const auto modules = platform.EnumProcessModules(process);
    if (!modules || modules->empty()) return;
    const uint64_t firstModule = modules->front();
    if (auto name = platform.GetModuleBaseName(process, firstModule)) sample.m_strName = std::move(*name);
    if (auto path = platform.GetModuleFileNameEx(process, firstModule)) sample.m_strPath = std::move(*path);
    if (const auto times = platform.GetProcessTimes(process)) {
        sample.m_nSampleTick = platform.QueryPerformanceCounter();
        sample.m_ftCreation = times->ftCreation;
        sample.m_ftExit = times->ftExit;
        sample.m_ftKernel = times->ftKernel;
        sample.m_ftUser = times->ftUser;
    }
    if (const auto memory = platform.GetProcessMemoryInfo(process)) sample.m_MemCounters = *memory;
    if (const auto io = platform.GetProcessIoCounters(process)) sample.m_IoCounters = *io;
    sample.m_nCycles = platform.QueryProcessCycleTime(process).value_or(0);
}

}  // namespace

void SampleProcesses(IPlatform& platform, CProcessArray& samples) {
    samples.RemoveAll();
    // The platform grows its id buffer until the whole list fits.
    const auto ids = platform.EnumProcesses();
    if (!ids) return;
    for (uint32_t id : *ids) {
        const Handle process = platform.OpenProcess(kProcessQueryInfoAndVmRead, id);
        if (process == kNullHandle) continue;
        CProInfo sample;
        sample.m_nPID = id;
        ReadProcessStatistics(platform, process, sample);
        platform.CloseHandle(process);
        samples.Add(std::move(sample));
    }
}

}  // namespace qv
