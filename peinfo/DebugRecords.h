// The records a debug directory entry points to: CodeView ("NB10", "RSDS")
// and MISC (the executable's name). Each takes the record's bytes as they
// lie in the file and writes nothing when they don't hold the record.
#pragma once

#include "framework/Wnd.h"
#include "tracer/ByteView.h"

namespace qv {

void ReportCodeViewRecord(ByteView record, CWnd* window);
void ReportMiscRecord(ByteView record, CWnd* window);

}  // namespace qv
