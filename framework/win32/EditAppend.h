// Appends to a real edit control without holding its thread. Under Wine an
// EM_REPLACESEL on a visible multi-line edit costs a fixed part per call
// (the repaint) and a part per line it adds, and a busy log gets a line per
// hit: texts are collected and put in by a timer of the owner's thread,
// joined, a bounded slice of lines at a time, so that the window keeps
// answering while a flood of lines goes in, in the order the texts came.
// A reader of the edit's text gets everything collected put in first.
#pragma once

#include "platform/win32/WinApi.h"

namespace qv {

// Puts everything collected for edit in now; the dialog calls it before its
// controls go.
void FlushEditText(HWND edit);

}  // namespace qv
