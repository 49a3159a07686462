#include "ui/VellocApp.h"

#include "ui/VellocDlg.h"

namespace qv {

CVellocApp::CVellocApp() : CWinApp("Quorvane") {}

bool CVellocApp::InitInstance() {
    CVellocDlg dialog;
    AfxSetMainWnd(&dialog);
    dialog.DoModal();
    AfxSetMainWnd(nullptr);
    return true;
}

}  // namespace qv
