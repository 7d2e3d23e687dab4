#include "pages/progress_dlg.h"

#include <commctrl.h>

#include "common/install_dir.h"
#include "common/product.h"
#include "platform/message_box.h"
#include "platform/thread.h"

namespace {

constexpr char kWaitMessage[] = "安装过程中不能关闭,请稍候.";

} // namespace

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg() : CDialog(IDD), m_installer(*this) {}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS_TEXT, m_stStatus);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetInstallerDir();
    CenterWindow(::GetDesktopWindow());
    if (!AfxBeginThread(InstallThreadProc, this)) {
        // Without a worker nothing would ever close the page.
        AfxMessageBox(kOutOfMemoryMessage, MB_OK);
        m_installer.SetInstallState(INSTALL_FAILED);
        m_bWorkerDone = true;
        CDialog::OnCancel();
    }
    return TRUE;
}

UINT CProgressDlg::InstallThreadProc(LPVOID param)
{
    auto* page = static_cast<CProgressDlg*>(param);
    if (page->m_installer.InstallFiles() != INSTALL_OK)
        page->m_installer.SetInstallState(INSTALL_FAILED);
    // Once the page may end, the worker touches nothing of it but this
    // window handle, read before.
    const HWND window = page->m_hWnd;
    page->m_bWorkerDone = true;
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

void CProgressDlg::OnSysCommand(UINT nID, LPARAM)
{
    if (nID == SC_CLOSE && m_installer.InstallState() == INSTALL_RUNNING)
        AfxMessageBox(kWaitMessage, MB_OK);
    else
        Default();
}

// Enter, Escape and the close command all arrive here; until the worker is
// done the page and its entry table are in use and the page stays.
void CProgressDlg::OnOK()
{
    if (m_bWorkerDone)
        CDialog::OnOK();
}

void CProgressDlg::OnCancel()
{
    if (m_bWorkerDone)
        CDialog::OnCancel();
}

BOOL CProgressDlg::DestroyWindow()
{
    m_installer.FreeEntries();
    return CDialog::DestroyWindow();
}

void CProgressDlg::SetProgressRange(std::int32_t upper)
{
    m_progress.SendMessage(PBM_SETRANGE32, 0, upper);
}

void CProgressDlg::SetProgressPos(std::int32_t position)
{
    m_progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void CProgressDlg::SetStatusText(const std::string& ansiText)
{
    m_stStatus.SetWindowTextAnsi(ansiText);
}

void CProgressDlg::ShowMessage(const char* utf8Text)
{
    AfxMessageBox(utf8Text, MB_OK);
}
