#pragma once

#include <windows.h>

#include "platform/message_map.h"

class CWnd;

// The application object. Exactly one exists, a global constructed before
// the entry runs; AfxWinMain calls its InitInstance, and the process ends
// when that returns (the program is one modal main window, so it returns
// FALSE and there is no message loop of the application's own).
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();

    // Help command handler: the program ships no help file, so there is
    // nothing to open.
    void OnHelp();

    // The main window, owner of every dialog started without a parent.
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
// The main window's handle, or null; safe to call from any thread.
HWND AfxGetMainWndHandle();
HINSTANCE AfxGetResourceHandle();

// Nothing else the loader might pick up from the program's folder.
void AfxRestrictDllSearch();

// The framework entry: restricts DLL loading, sets up common controls and
// COM for the interface thread (the shell's folder browser needs it) and
// runs the application object. Returns the process exit code.
int AfxWinMain(HINSTANCE instance);
