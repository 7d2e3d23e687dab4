#pragma once

#include "platform/dialog.h"
#include "res/resource.h"

// Second page: where to install. The rules it carries live in location/.
class CTargetDirDlg : public CDialog {
public:
    enum { IDD = IDD_TARGETDIR };
    CTargetDirDlg() : CDialog(IDD) {}

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnBrowse();
    // "安装(&S)": accepts the path box's text, or keeps the page open.
    void OnOK() override;

    CEdit m_editPath;

    DECLARE_MESSAGE_MAP()
};
