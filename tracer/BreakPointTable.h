// The breakpoint table: trace points and return-address breakpoints, one
// planted 0xCC byte each, and the small list of symbols the symbol file
// reader found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Array.h"
#include "symbols/TracePointSyntax.h"

namespace qv {

struct BREAKPOINTINFO {
    uint64_t nModuleBase = 0;
    uint64_t nAddress = 0;
    std::string pszName;
    bool bEntry = false;
    ArgSpecMap mapArgs;
    int32_t nStackDepth = 0;
    // The saved code byte; empty until an arming has read it.
    std::vector<uint8_t> pOrigBytes;
    uint32_t nOrigBytes = 0;
    bool bEnabled = false;
    bool bArmed = false;
    int32_t nHits = 0;
};

class CBreakPointArray : public CArray<BREAKPOINTINFO> {
public:
    // -1 when a record with that address exists already.
    int32_t AddBreakPoint(uint64_t moduleBase, uint64_t address, const std::string& name, const ArgSpecMap& args,
                          int32_t stackDepth, bool enabled, bool entry);
    int32_t FindBreakPoint(uint64_t address) const;
    void RemoveBreakPoint(int32_t index);
};

struct CALLSYMBOLINFO {
    uint64_t nSymModuleBase = 0;
    uint64_t nSymAddress = 0;
    std::string pszSymName;
};

class CCallSymArray : public CArray<CALLSYMBOLINFO> {
public:
    void AddCallSymbol(uint64_t moduleBase, uint64_t address, const std::string& name);
    void RemoveAllCallSymbols();
};

}  // namespace qv
