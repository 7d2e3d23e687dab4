#pragma once

#include "platform/dialog.h"
#include "res/resource.h"

// First page: the licence agreement. "同意并安装" accepts it.
class CLicenseDlg : public CDialog {
public:
    enum { IDD = IDD_LICENSE };
    CLicenseDlg() : CDialog(IDD) {}

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // The agreement check box (hidden by the template) gates the OK button.
    void OnAgree();

    CButton m_btnOK;
    CButton m_chkAgree;
    CEdit m_editLicense;

    DECLARE_MESSAGE_MAP()
};
