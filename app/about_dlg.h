#pragma once

#include "platform/dialog.h"
#include "res/resource.h"

// The About box, opened from the main window's system menu.
class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };
    CAboutDlg() : CDialog(IDD) {}
};
