#include "app/install_dlg.h"

#include <string>

#include "app/about_dlg.h"
#include "app/about_menu.h"
#include "platform/app.h"

BEGIN_MESSAGE_MAP(CInstallDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_INSTALL, OnInstall)
END_MESSAGE_MAP()

CInstallDlg::CInstallDlg()
    : CDialog(IDD), m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

BOOL CInstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (const HMENU systemMenu = GetSystemMenu(FALSE)) {
        // LoadStringW with a zero length hands out the read-only resource text.
        const wchar_t* text = nullptr;
        const int length = ::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
        if (length > 0 && text)
            AppendAboutItem(systemMenu, std::wstring(text, static_cast<std::size_t>(length)));
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    return TRUE;
}

void CInstallDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CInstallDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(*this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT client = {};
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CInstallDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
