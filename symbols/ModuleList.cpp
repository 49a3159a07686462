#include "symbols/ModuleList.h"

#include "base/AsciiText.h"

namespace qv {

int32_t CModuleArray::FindModule(const std::string& name) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        if (EqualsIgnoreCase(GetAt(i).pszName, name)) return i;
    }
    return -1;
}

int32_t CModuleArray::FindModuleByAddress(uint64_t address) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        const MODULEINFOEX& module = GetAt(i);
        // Compared as an offset so a range reaching the top of the address
        // space doesn't wrap.
        if (address >= module.nBase && address - module.nBase < module.nSize) return i;
    }
    return -1;
}

void CModuleArray::AddModule(uint64_t base, uint32_t size, const std::string& name, const std::string& path) {
    if (FindModule(name) >= 0) return;
    MODULEINFOEX module;
    module.nBase = base;
    module.nSize = size;
    module.pszName = name;
    module.szPath = path.substr(0, kMaxPathChars - 1);
    Add(std::move(module));
}

void CModuleArray::RemoveModule(int32_t index) {
    if (IsValidIndex(index)) RemoveAt(index);
}

void CModuleArray::RemoveAllModules() {
    for (int32_t i = GetSize() - 1; i >= 0; --i) RemoveModule(i);
}

}  // namespace qv
