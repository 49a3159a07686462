// The two dialogs of the program as data, the same controls the resource
// script holds (a test checks that the two agree).
#pragma once

#include "framework/DialogTemplate.h"

namespace qv {

extern const DialogTemplate kMainDialogTemplate;
extern const DialogTemplate kAboutDialogTemplate;

}  // namespace qv
