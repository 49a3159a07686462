// The program's entry point: the common controls, the real platform, then
// the application object's run.
#include "framework/WinApp.h"
#include "framework/win32/CommonControls.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinApi.h"

#include <commctrl.h>

void qv::InitDialogControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&controls);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qv::InitDialogControls();
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    qv::CWinApp* application = qv::AfxGetApp();
    const int exitCode = application ? application->Run() : 1;
    qv::SetPlatform(nullptr);
    return exitCode;
}
