#include "pages/license_dlg.h"

#include "pages/license_text.h"

BEGIN_MESSAGE_MAP(CLicenseDlg, CDialog)
    ON_BN_CLICKED(IDC_AGREE, OnAgree)
END_MESSAGE_MAP()

void CLicenseDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Control(pDX, IDC_AGREE, m_chkAgree);
    DDX_Control(pDX, IDC_LICENSE_TEXT, m_editLicense);
}

BOOL CLicenseDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow(::GetDesktopWindow());
    m_editLicense.SetWindowText(kLicenseText);
    return TRUE;
}

void CLicenseDlg::OnAgree()
{
    m_btnOK.EnableWindow(m_chkAgree.GetCheck() == BST_CHECKED);
}
