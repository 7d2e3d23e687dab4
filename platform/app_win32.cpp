#include "platform/app.h"

#include <commctrl.h>

#include "platform/com.h"
#include "platform/wnd.h"

namespace {

CWinApp* g_theApp = nullptr;

} // namespace

CWinApp::CWinApp()
{
    g_theApp = this;
}

CWinApp::~CWinApp()
{
    if (g_theApp == this)
        g_theApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp()
{
    return g_theApp;
}

HWND AfxGetMainWndHandle()
{
    if (!g_theApp || !g_theApp->m_pMainWnd)
        return nullptr;
    return g_theApp->m_pMainWnd->m_hWnd;
}

HINSTANCE AfxGetResourceHandle()
{
    return GetModuleHandleW(nullptr);
}

void AfxRestrictDllSearch()
{
    // The setup program usually runs from a downloads folder, where anyone
    // may have left a DLL named like a system one. From here on the loader
    // looks in the system folder only. SetDefaultDllDirectories is looked up
    // rather than imported so that a Windows 7 without it still starts; there
    // the current directory at least is taken out of the search.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (proc) {
        const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(proc));
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");
}

int AfxWinMain(HINSTANCE instance)
{
    AfxRestrictDllSearch();

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    const CComApartment apartment;
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->m_hInstance = instance;
    // The application runs its windows modally inside InitInstance; there is
    // no message loop of its own after it.
    app->InitInstance();
    return 0;
}
