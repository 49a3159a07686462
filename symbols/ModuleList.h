// The modules of the traced process, as its debug events announced them.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Array.h"

namespace qv {

inline constexpr size_t kMaxPathChars = 260;

struct MODULEINFOEX {
    uint64_t nBase = 0;
    uint32_t nSize = 0;
    std::string pszName;
    std::string szPath;  // at most 259 characters
};

class CModuleArray : public CArray<MODULEINFOEX> {
public:
    int32_t FindModule(const std::string& name) const;
    int32_t FindModuleByAddress(uint64_t address) const;
    void AddModule(uint64_t base, uint32_t size, const std::string& name, const std::string& path);
    void RemoveModule(int32_t index);
    void RemoveAllModules();
};

}  // namespace qv
