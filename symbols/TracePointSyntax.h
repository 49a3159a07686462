// The text form of a trace point: "[module!]target[+offset][*depth] [(args)]
// [# comment]". The parser is pure; AddTracePoint resolves what it gives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "symbols/ServerInstallation.h"

namespace qv {

// How to render one argument of a call: nSize bytes to dump (0 = as a
// value) after following nDepth pointer levels.
struct ARGSPEC {
    int32_t nSize = 0;
    int32_t nDepth = 0;
    bool operator==(const ARGSPEC&) const = default;
};

using ArgSpecMap = std::map<int32_t, ARGSPEC>;

inline constexpr const char* kDefaultTraceModule = SERVERINSTALLATION::kExecutable;

struct TracePointSpec {
    std::string module;  // the default module when none is written
    std::string body;    // a function name or a hexadecimal address
    int32_t offset = 0;
    int32_t stackDepth = 0;
    ArgSpecMap args;
};

enum class SpecRefusal {
    None,
    EmptyText,  // an empty line or a comment only
    EmptyBody,  // a module but no function or address
};

struct TracePointParse {
    std::optional<TracePointSpec> spec;
    SpecRefusal refusal = SpecRefusal::None;
};

TracePointParse ParseTracePointSpec(std::string_view text);

// A decimal number as atol reads it (leading blanks, a sign, digits up to
// the first other character), saturated to 32 bits; 0 without digits.
int32_t ReadDecimal(std::string_view text);

// The body read in base 16 as strtol reads it (a sign, an optional "0x"),
// but at the full 64-bit width of a target address: modules of a 64-bit
// target sit above 4 GB. The address when the whole body is consumed, fits
// in 64 bits and is not 0; nullopt means the body is a function name.
std::optional<uint64_t> ReadHexAddress(std::string_view body);

}  // namespace qv
