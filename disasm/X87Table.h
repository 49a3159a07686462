// The x87 escapes D8h to DFh as data: memory forms by the reg field, and
// register forms by rows of eight ModRM bytes (C0h-C7h, C8h-CFh, ...).
#pragma once

#include <cstdint>

#include "disasm/Names.h"

namespace qv::disasm {

struct X87MemoryForm {
    const char* name;   // "???" for undefined members
    SizeWord size;
};

enum class X87Row : uint8_t {
    Stack,       // "%s st(i)"
    StToStack,   // "%s st,st(i)"
    StackToSt,   // "%s st(i),st"
    Single,      // one name per ModRM byte, from `single`
    Invalid,     // "???" with "Invalid Instruction"
};

// A name per byte of a Single row; an operand st(i) follows when `operand`.
struct X87Single {
    const char* name;
    bool operand;
};

struct X87RegisterRow {
    X87Row kind;
    const char* name = nullptr;
    const X87Single* single = nullptr;
};

struct X87Escape {
    X87MemoryForm memory[8];
    X87RegisterRow registers[8];
};

extern const X87Escape kX87Map[8];

}  // namespace qv::disasm
