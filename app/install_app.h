#pragma once

#include "platform/app.h"

// The setup program: runs the main window and ends when it closes.
class CInstallApp : public CWinApp {
public:
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
