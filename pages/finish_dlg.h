#pragma once

#include <cstdint>

#include "platform/dialog.h"
#include "res/resource.h"

// Last page: reports the outcome, writes the registry record and, on
// "完成", starts the installed product with its readme address.
class CFinishDlg : public CDialog {
public:
    enum { IDD = IDD_FINISH };
    CFinishDlg() : CDialog(IDD) {}

    // The installation state handed over from the progress page.
    std::int32_t m_nResult = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    CStatic m_stHeadline;
    CButton m_chkRun;
};
