#include "app/install_dlg.h"

#include "pages/finish_dlg.h"
#include "pages/license_dlg.h"
#include "pages/progress_dlg.h"
#include "pages/target_dir_dlg.h"

// The pages run one after another, owned by the main window, which is moved
// out of sight (not hidden, so it keeps the program's taskbar button). Every
// path ends by closing the main window: the program never returns to it.
void CInstallDlg::OnInstall()
{
    SetWindowPos(HWND_TOP, -100, -100, 0, 0, SWP_FRAMECHANGED);

    CLicenseDlg license;
    if (license.DoModal() != IDOK) {
        SendMessage(WM_CLOSE);
        return;
    }

    CTargetDirDlg targetDir;
    if (targetDir.DoModal() != IDOK) {
        SendMessage(WM_CLOSE);
        return;
    }

    // Returns once the worker has closed it; the state says how it went.
    CProgressDlg progress;
    progress.DoModal();

    CFinishDlg finish;
    finish.m_nResult = progress.InstallState();
    finish.DoModal();

    SendMessage(WM_CLOSE);
}
