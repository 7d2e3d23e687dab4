#include "pages/finish_dlg.h"

#include <shellapi.h>

#include <string>

#include "common/install_dir.h"
#include "common/product.h"
#include "system/registry.h"

void CFinishDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS_TEXT, m_stHeadline);
    DDX_Control(pDX, IDC_RUN_PRODUCT, m_chkRun);
}

BOOL CFinishDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Written whatever the outcome: the record names the chosen folder.
    WriteInstallRecord();
    CenterWindow(::GetDesktopWindow());
    if (m_nResult == INSTALL_SUCCEEDED) {
        m_chkRun.SetCheck(BST_CHECKED);
    } else {
        m_stHeadline.SetWindowText("安装失败");
        m_chkRun.ShowWindow(SW_HIDE);
    }
    return TRUE;
}

void CFinishDlg::OnOK()
{
    // Only a product that was installed, and only when the user still wants
    // it started: after a failure the folder may hold an old or partial copy.
    if (m_nResult == INSTALL_SUCCEEDED && m_chkRun.GetCheck() == BST_CHECKED) {
        const std::string product = g_strInstallDir + kProductExe;
        ::ShellExecuteA(nullptr, "open", product.c_str(), kReadmeAddress, nullptr, SW_SHOWNORMAL);
    }
    CDialog::OnOK();
}
