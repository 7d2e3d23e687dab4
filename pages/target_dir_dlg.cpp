#include "pages/target_dir_dlg.h"

#include "common/install_dir.h"
#include "location/target_dir.h"

BEGIN_MESSAGE_MAP(CTargetDirDlg, CDialog)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
END_MESSAGE_MAP()

void CTargetDirDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TARGET_PATH, m_editPath);
}

BOOL CTargetDirDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow(::GetDesktopWindow());
    GetInstallerDir();
    m_editPath.SetWindowTextAnsi(DefaultTargetDir());
    return TRUE;
}

void CTargetDirDlg::OnBrowse()
{
    if (const auto picked = TargetFromPickedFolder(m_hWnd))
        m_editPath.SetWindowTextAnsi(*picked);
}

void CTargetDirDlg::OnOK()
{
    // Text the ANSI code page cannot hold arrives as '?', which the rules
    // refuse like any other wildcard.
    if (AcceptTargetDir(m_editPath.GetWindowTextAnsi()))
        CDialog::OnOK();
}
