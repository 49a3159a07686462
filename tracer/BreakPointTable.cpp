#include "tracer/BreakPointTable.h"

namespace qv {

int32_t CBreakPointArray::AddBreakPoint(uint64_t moduleBase, uint64_t address, const std::string& name,
                                        const ArgSpecMap& args, int32_t stackDepth, bool enabled, bool entry) {
    if (FindBreakPoint(address) >= 0) return -1;
    BREAKPOINTINFO record;
    record.nModuleBase = moduleBase;
    record.nAddress = address;
    record.pszName = name;
    record.bEntry = entry;
    record.mapArgs = args;
    record.nStackDepth = stackDepth;
    record.bEnabled = enabled;
    return Add(std::move(record));
}

int32_t CBreakPointArray::FindBreakPoint(uint64_t address) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        if (GetAt(i).nAddress == address) return i;
    }
    return -1;
}

void CBreakPointArray::RemoveBreakPoint(int32_t index) {
    if (IsValidIndex(index)) RemoveAt(index);
}

void CCallSymArray::AddCallSymbol(uint64_t moduleBase, uint64_t address, const std::string& name) {
    Add(CALLSYMBOLINFO{moduleBase, address, name});
}

void CCallSymArray::RemoveAllCallSymbols() {
    for (int32_t i = GetSize() - 1; i >= 0; --i) RemoveAt(i);
}

}  // namespace qv
