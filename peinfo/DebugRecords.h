// The records a debug directory entry points to: CodeView ("NB10", "RSDS")
// and MISC (the executable's name). Each takes the file and the record's
// position and size in it; every check is against the file's end, as a
// record's header and name may reach past its stated size. The names of
// one report share one budget.
#pragma once

#include <cstdint>

#include "base/ByteView.h"
#include "framework/Wnd.h"
#include "peinfo/NameBudget.h"

namespace qv {

void ReportCodeViewRecord(ByteView image, uint64_t offset, uint32_t size, NameBudget& budget, CWnd* window);
void ReportMiscRecord(ByteView image, uint64_t offset, uint32_t size, NameBudget& budget, CWnd* window);

}  // namespace qv
