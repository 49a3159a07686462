// Reads and writes of the target that see through the tracer's own
// breakpoints. Both hold the table lock for one platform call, so they never
// meet a breakpoint half armed, and never hold it for longer.
#include <cstdint>

#include "platform/Platform.h"
#include "tracer/DeamonThread.h"
#include "core/TargetAccess.h"

namespace qv {

namespace {

// The offset of address in the range [start, start + length), if it is in it.
bool OffsetIn(uint64_t address, uint64_t start, uint64_t length, uint64_t& offset) {
    if (address < start || address - start >= length) return false;
    offset = address - start;
    return true;
}

}  // namespace

bool CDeamonThread::ReadOriginalMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    TableLock lock(*this);
    if (!Platform().ReadProcessMemory(process, address, buffer, size)) return false;
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (int32_t i = 0; i < m_arrBreakPoints.GetSize(); ++i) {
        const BREAKPOINTINFO& record = m_arrBreakPoints.GetAt(i);
        if (!record.bArmed) continue;
        for (size_t k = 0; k < record.pOrigBytes.size(); ++k) {
            uint64_t offset = 0;
            if (OffsetIn(record.nAddress + k, address, size, offset)) bytes[offset] = record.pOrigBytes[k];
        }
    }
    return true;
}

bool CDeamonThread::WriteThroughBreakPoints(Handle process, uint64_t address, uint8_t value) {
    TableLock lock(*this);
    bool underArmed = false;
    for (int32_t i = 0; i < m_arrBreakPoints.GetSize(); ++i) {
        const BREAKPOINTINFO& record = m_arrBreakPoints.GetAt(i);
        uint64_t offset = 0;
        if (record.bArmed && OffsetIn(address, record.nAddress, record.pOrigBytes.size(), offset)) underArmed = true;
    }
    // Under an armed breakpoint the 0xCC is written again in place of the
    // byte, which shows whether the byte can be written at all.
    const uint8_t written = underArmed ? uint8_t{0xCC} : value;
    if (!WriteTargetMemory(process, address, &written, 1)) return false;
    for (int32_t i = 0; i < m_arrBreakPoints.GetSize(); ++i) {
        BREAKPOINTINFO& record = m_arrBreakPoints.ElementAt(i);
        uint64_t offset = 0;
        if (OffsetIn(address, record.nAddress, record.pOrigBytes.size(), offset)) {
            record.pOrigBytes[static_cast<size_t>(offset)] = value;
        }
    }
    return true;
}

}  // namespace qv
