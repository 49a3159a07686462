#include "framework/WinApp.h"

namespace qv {

namespace {
CWinApp* g_application = nullptr;
}

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) { g_application = this; }

CWinApp::~CWinApp() {
    if (g_application == this) g_application = nullptr;
}

bool CWinApp::InitInstance() { return false; }
int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
    InitInstance();
    return ExitInstance();
}

CWinApp* AfxGetApp() { return g_application; }
const char* AfxGetAppName() { return g_application ? g_application->m_pszAppName : ""; }

}  // namespace qv
