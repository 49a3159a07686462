// The application: runs the main dialog modally and ends with it.
#pragma once

#include "framework/WinApp.h"

namespace qv {

class CVellocApp : public CWinApp {
public:
    CVellocApp();
    bool InitInstance() override;
};

}  // namespace qv
