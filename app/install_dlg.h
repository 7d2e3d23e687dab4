#pragma once

#include "platform/dialog.h"
#include "res/resource.h"

// The main window: the banner and the Install button, which runs the wizard.
class CInstallDlg : public CDialog {
public:
    enum { IDD = IDD_INSTALL_DIALOG };
    CInstallDlg();

protected:
    BOOL OnInitDialog() override;
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    // The wizard sequence: licence, target directory, progress, finish.
    void OnInstall();

    HICON m_hIcon; // shared icon from the resources: not destroyed

    DECLARE_MESSAGE_MAP()
};
