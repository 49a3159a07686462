// The program's entry point: the common controls, the real platform, then
// the application object's run.
#include "framework/WinApp.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinApi.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&controls);
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    qv::CWinApp* application = qv::AfxGetApp();
    const int exitCode = application ? application->Run() : 1;
    qv::SetPlatform(nullptr);
    return exitCode;
}
