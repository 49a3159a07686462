// The common controls the dialogs use (list views and the standard ones),
// registered once before the first dialog is made.
#pragma once

namespace qv {

void InitDialogControls();

}  // namespace qv
