#include "app/install_app.h"

#include "app/install_dlg.h"
#include "res/resource.h"

// The one application object, constructed before the entry runs.
CInstallApp theApp;

BEGIN_MESSAGE_MAP(CInstallApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CInstallApp::InitInstance()
{
    CInstallDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // The main window has closed: end the process rather than run a
    // message loop of the application's own.
    return FALSE;
}
