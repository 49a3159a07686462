// Name tables shared by the opcode maps.
#pragma once

#include <cstdint>

namespace qv::disasm {

// Register rows by operand width: 0 8-bit, 1 16-bit, 2 32-bit.
enum RegRow : uint8_t { kRow8 = 0, kRow16 = 1, kRow32 = 2 };
extern const char* const kRegisterNames[3][8];
extern const char* const kSegmentNames[8];
extern const char* const kAddress16Forms[8];
extern const char* const kScaleWords[4];
extern const char* const kMmxNames[8];
extern const char* const kXmmNames[8];
extern const char* const kControlNames[8];
extern const char* const kDebugNames[8];
extern const char* const kStackNames[8];

// Size words of memory operands.
enum class SizeWord : uint8_t { Qword, Dword, Word, Byte, Fword, TByte, Env28, Save108, DQword, Save512, LowerByte };
const char* SizeText(SizeWord size);

inline constexpr uint8_t kSegDS = 3;
inline constexpr uint8_t kSegES = 0;
inline constexpr uint8_t kSegSS = 2;

}  // namespace qv::disasm
