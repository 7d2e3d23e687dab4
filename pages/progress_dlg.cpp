#include "pages/progress_dlg.h"

#include <commctrl.h>

#include "common/install_dir.h"
#include "common/product.h"
#include "platform/message_box.h"
#include "platform/thread.h"

namespace {

constexpr char kWaitMessage[] = "安装过程中不能关闭,请稍候.";

// Sent by the worker with the UTF-8 text in lParam; returns once dismissed.
constexpr UINT WM_SHOW_INSTALL_MESSAGE = WM_APP + 1;

} // namespace

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_MESSAGE(WM_SHOW_INSTALL_MESSAGE, OnShowMessage)
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

// The box belongs to the page, whatever window happens to be active when the
// worker fails (the page may not even be activated yet): the page stays
// disabled behind it until it is dismissed.
void CProgressDlg::ShowMessage(const char* utf8Text)
{
    ::SendMessageW(m_hWnd, WM_SHOW_INSTALL_MESSAGE, 0, reinterpret_cast<LPARAM>(utf8Text));
}

LRESULT CProgressDlg::OnShowMessage(WPARAM, LPARAM lParam)
{
    return MessageBoxOver(m_hWnd, reinterpret_cast<const char*>(lParam), MB_OK);
}
