// The modules of the traced process, as its debug events announced them.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Array.h"
#include "platform/PlatformTypes.h"

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

// The size of the module loaded at base: SizeOfImage from its headers in
// the target's memory, else from the file at path (the one the load event
// named), and only as the last resort from the first file of that name the
// image search order finds. 0 when none can be read.
uint32_t LoadedImageSize(Handle process, uint64_t base, const std::string& path, const std::string& name);

}  // namespace qv
