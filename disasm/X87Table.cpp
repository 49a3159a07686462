#include "disasm/X87Table.h"

namespace qv::disasm {

namespace {
using S = SizeWord;
using R = X87Row;
constexpr const char* kNone = "???";

// D9h D0h-D7h: fnop, then neighbours that read as fst.
constexpr X87Single kD9Row2[8] = {{"fnop", false}, {"fst", true}, {"fst", true}, {"fst", true},
                                  {"fst", true},   {"fst", true}, {"fst", true}, {"fst", true}};
constexpr X87Single kD9Row4[8] = {{"fchs", false},  {"fabs", false},  {"fldenv", true}, {"fldenv", true},
                                  {"ftst", false},  {"fxam", false},  {"fldenv", true}, {"fldenv", true}};
constexpr X87Single kD9Row5[8] = {{"fld1", false},   {"fldl2t", false}, {"fldl2e", false}, {"fldpi", false},
                                  {"fldlg2", false}, {"fldln2", false}, {"fldz", false},   {"fldcw", true}};
constexpr X87Single kD9Row6[8] = {{"f2xm1", false},   {"fyl2x", false},   {"fptan", false},   {"fpatan", false},
                                  {"fxtract", false}, {"fprem1", false},  {"fdecstp", false}, {"fincstp", false}};
constexpr X87Single kD9Row7[8] = {{"fprem", false},   {"fyl2xp1", false}, {"fsqrt", false}, {"fsincos", false},
                                  {"frndint", false}, {"fscale", false},  {"fsin", false},  {"fcos", false}};
// DAh E8h-EFh: E9h is fucompp; its neighbours read as fisubr.
constexpr X87Single kDARow5[8] = {{"fisubr", true}, {"fucompp", false}, {"fisubr", true}, {"fisubr", true},
                                  {"fisubr", true}, {"fisubr", true},   {"fisubr", true}, {"fisubr", true}};
constexpr X87Single kDBRow4[8] = {{"feni", false}, {"fdisi", false}, {"fclex", false}, {"finit", false},
                                  {kNone, false},  {kNone, false},   {kNone, false},   {kNone, false}};
constexpr X87Single kDERow3[8] = {{"ficomp", true}, {"fcompp", false}, {"ficomp", true}, {"ficomp", true},
                                  {"ficomp", true}, {"ficomp", true},  {"ficomp", true}, {"ficomp", true}};
constexpr X87Single kDFRow4[8] = {{"fnstsw ax", false}, {"fbld", true}, {"fbld", true}, {"fbld", true},
                                  {"fbld", true},       {"fbld", true}, {"fbld", true}, {"fbld", true}};
}  // namespace

const X87Escape kX87Map[8] = {
    // D8h
    {{{"fadd", S::Dword}, {"fmul", S::Dword}, {"fcom", S::Dword}, {"fcomp", S::Dword},
      {"fsub", S::Dword}, {"fsubr", S::Dword}, {"fdiv", S::Dword}, {"fdivr", S::Dword}},
     {{R::StToStack, "fadd"}, {R::StToStack, "fmul"}, {R::StToStack, "fcom"}, {R::Stack, "fcomp"},
      {R::StToStack, "fsub"}, {R::StToStack, "fsubr"}, {R::StToStack, "fdiv"}, {R::StToStack, "fdivr"}}},
    // D9h
    {{{"fld", S::Dword}, {kNone, S::Dword}, {"fst", S::Dword}, {"fstp", S::Dword},
      {"fldenv", S::Env28}, {"fldcw", S::Word}, {"fstenv", S::Env28}, {"fstcw", S::Word}},
     {{R::Stack, "fld"}, {R::Stack, "fxch"}, {R::Single, nullptr, kD9Row2}, {R::Stack, "fstp"},
      {R::Single, nullptr, kD9Row4}, {R::Single, nullptr, kD9Row5}, {R::Single, nullptr, kD9Row6},
      {R::Single, nullptr, kD9Row7}}},
    // DAh
    {{{"fiadd", S::Dword}, {"fimul", S::Dword}, {"ficom", S::Dword}, {"ficomp", S::Dword},
      {"fisub", S::Dword}, {"fisubr", S::Dword}, {"fidiv", S::Dword}, {"fidivr", S::Dword}},
     {{R::StToStack, "fcmovb"}, {R::StToStack, "fcmove"}, {R::StToStack, "fcmovbe"}, {R::StToStack, "fcmovu"},
      {R::Stack, "fisub"}, {R::Single, nullptr, kDARow5}, {R::Stack, "fidiv"}, {R::Stack, "fidivr"}}},
    // DBh
    {{{"fild", S::Dword}, {kNone, S::Dword}, {"fist", S::Dword}, {"fistp", S::Dword},
      {kNone, S::TByte}, {"fld", S::TByte}, {kNone, S::TByte}, {"fstp", S::TByte}},
     {{R::StToStack, "fcmovnb"}, {R::StToStack, "fcmovne"}, {R::StToStack, "fcmovnbe"}, {R::StToStack, "fcmovnu"},
      {R::Single, nullptr, kDBRow4}, {R::StToStack, "fucomi"}, {R::StToStack, "fcomi"}, {R::Stack, "fstp"}}},
    // DCh: the register forms swap fsub/fsubr and fdiv/fdivr
    {{{"fadd", S::Qword}, {"fmul", S::Qword}, {"fcom", S::Qword}, {"fcomp", S::Qword},
      {"fsub", S::Qword}, {"fsubr", S::Qword}, {"fdiv", S::Qword}, {"fdivr", S::Qword}},
     {{R::StackToSt, "fadd"}, {R::StackToSt, "fmul"}, {R::StackToSt, "fcom"}, {R::Stack, "fcomp"},
      {R::StackToSt, "fsubr"}, {R::StackToSt, "fsub"}, {R::StackToSt, "fdivr"}, {R::StackToSt, "fdiv"}}},
    // DDh
    {{{"fld", S::Qword}, {kNone, S::Qword}, {"fst", S::Qword}, {"fstp", S::Qword},
      {"frstor", S::Save108}, {kNone, S::Save108}, {"fsave", S::Save108}, {"fstsw", S::Word}},
     {{R::Stack, "ffree"}, {R::Invalid}, {R::Stack, "fst"}, {R::Stack, "fstp"},
      {R::Stack, "fucom"}, {R::Stack, "fucomp"}, {R::Stack, "fsave"}, {R::Stack, "fstsw"}}},
    // DEh
    {{{"fiadd", S::Word}, {"fimul", S::Word}, {"ficom", S::Word}, {"ficomp", S::Word},
      {"fisub", S::Word}, {"fisubr", S::Word}, {"fidiv", S::Word}, {"fidivr", S::Word}},
     {{R::StackToSt, "faddp"}, {R::StackToSt, "fmulp"}, {R::Stack, "ficom"}, {R::Single, nullptr, kDERow3},
      {R::StackToSt, "fsubrp"}, {R::StackToSt, "fsubp"}, {R::StackToSt, "fdivrp"}, {R::StackToSt, "fdivp"}}},
    // DFh
    {{{"fild", S::Word}, {kNone, S::Word}, {"fist", S::Word}, {"fistp", S::Word},
      {"fbld", S::TByte}, {"fild", S::Qword}, {"fbstp", S::TByte}, {"fistp", S::Qword}},
     {{R::Stack, "ffreep"}, {R::Invalid}, {R::Stack, "fist"}, {R::Stack, "fistp"},
      {R::Single, nullptr, kDFRow4}, {R::StToStack, "fucomip"}, {R::StToStack, "fcomip"}, {R::Stack, "fistp"}}},
};

}  // namespace qv::disasm
