#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "install/install_host.h"
#include "install/installer.h"
#include "platform/dialog.h"
#include "res/resource.h"

// Third page: runs the installation on a worker thread and shows its
// progress. It has no buttons; only the worker closes it, once the work is
// over, and every other way of ending it is refused until then.
class CProgressDlg : public CDialog, private IInstallHost {
public:
    enum { IDD = IDD_PROGRESS };
    CProgressDlg();

    // INSTALL_SUCCEEDED or INSTALL_FAILED once DoModal has returned.
    std::int32_t InstallState() const { return m_installer.InstallState(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL DestroyWindow() override;
    void OnSysCommand(UINT nID, LPARAM lParam);
    // The worker's message, shown on the interface thread over this page.
    LRESULT OnShowMessage(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    static UINT InstallThreadProc(LPVOID param);

    // Called on the worker thread; each waits for the interface thread.
    void SetProgressRange(std::int32_t upper) override;
    void SetProgressPos(std::int32_t position) override;
    void SetStatusText(const std::string& ansiText) override;
    void ShowMessage(const char* utf8Text) override;

    // Owns the package's entry table and the installation state.
    CPackageInstaller m_installer;
    // Set by the worker just before it closes the page.
    std::atomic<bool> m_bWorkerDone{false};
    CStatic m_stStatus;
    CProgressCtrl m_progress;
};
