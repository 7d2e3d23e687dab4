// Resource IDs of the setup program, shared by install.rc and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_INSTALL_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_SEPARATOR 129
#define IDB_BANNER 130
#define IDD_LICENSE 131
#define IDD_TARGETDIR 132
#define IDD_PROGRESS 133
#define IDD_FINISH 134

#define IDC_LICENSE_TEXT 1001
#define IDC_AGREE 1002
#define IDC_RUN_PRODUCT 1002
#define IDC_BROWSE 1003
#define IDC_PROGRESS 1004
#define IDC_INSTALL 1005
#define IDC_TARGET_PATH 1006
#define IDC_STATUS_TEXT 1007

// System menu command of the main window; system commands keep their low
// four bits clear.
#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The standard help command.
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif
