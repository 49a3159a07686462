// The option rows: each sets its flag; the tracer sees the new value at its
// next read.
#include "ui/console/CommandActions.h"

namespace qv::console {

void SwitchOption(const CommandRow& row, const CommandCall&) { *row.option = row.value; }

void SwitchTestMode(const CommandRow& row, const CommandCall& call) {
    *row.option = row.value;
    if (call.session.showToolButtons) call.session.showToolButtons(row.value);
}

}  // namespace qv::console
