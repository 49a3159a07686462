// CWinApp: the application object. The program defines one; the backend's
// entry point runs its InitInstance, whose result ends the program (a
// dialog-based application does all its work there).
#pragma once

namespace qv {

class CWinApp {
public:
    explicit CWinApp(const char* appName);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance();
    virtual int ExitInstance();
    // InitInstance, then ExitInstance; the exit code of the program.
    int Run();

    const char* m_pszAppName;
};

// The one application object, or null.
CWinApp* AfxGetApp();
// Its title for message boxes ("" without one).
const char* AfxGetAppName();

}  // namespace qv
