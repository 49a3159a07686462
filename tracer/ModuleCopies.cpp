#include "tracer/DeamonThread.h"

namespace qv {

std::optional<MODULEINFOEX> CDeamonThread::CopyModuleHolding(uint64_t address) {
    TableLock lock(*this);
    const int32_t index = m_arrModules.FindModuleByAddress(address);
    if (index < 0) return std::nullopt;
    return m_arrModules.GetAt(index);
}

}  // namespace qv
