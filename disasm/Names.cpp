#include "disasm/Names.h"

namespace qv::disasm {

const char* const kRegisterNames[3][8] = {
    {"al", "cl", "dl", "bl", "ah", "ch", "dh", "bh"},
    {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di"},
    {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi"},
};
const char* const kSegmentNames[8] = {"ES", "CS", "SS", "DS", "FS", "GS", "SEG?", "SEG?"};
const char* const kAddress16Forms[8] = {"BX+SI", "BX+DI", "BP+SI", "BP+DI", "SI", "DI", "BP", "BX"};
const char* const kScaleWords[4] = {"+", "*2+", "*4+", "*8+"};
const char* const kMmxNames[8] = {"mm0", "mm1", "mm2", "mm3", "mm4", "mm5", "mm6", "mm7"};
const char* const kXmmNames[8] = {"xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7"};
const char* const kControlNames[8] = {"cr0", "cr1", "cr2", "cr3", "cr4", "cr5", "cr6", "cr7"};
const char* const kDebugNames[8] = {"dr0", "dr1", "dr2", "dr3", "dr4", "dr5", "dr6", "dr7"};
const char* const kStackNames[8] = {"st(0)", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)"};

const char* SizeText(SizeWord size) {
    static const char* const kWords[] = {"Qword", "Dword", "Word",  "Byte",      "Fword",     "TByte",
                                         "(28)Byte", "(108)Byte", "DQword", "(512)Byte", "byte"};
    return kWords[static_cast<uint8_t>(size)];
}

}  // namespace qv::disasm
