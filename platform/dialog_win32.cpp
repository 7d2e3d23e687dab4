#include "platform/dialog.h"

#include "platform/app.h"
#include "platform/dialog_font.h"

namespace {

// A picture control sizes itself to its bitmap, but some systems then take
// its edge out of that size and squeeze the picture into what is left. The
// control is grown so that its inside is exactly the bitmap.
BOOL CALLBACK FitPictureToBitmap(HWND control, LPARAM)
{
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (lstrcmpiW(className, L"Static") != 0 || (style & SS_TYPEMASK) != SS_BITMAP)
        return TRUE;
    const auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info))
        return TRUE;
    RECT client = {};
    ::GetClientRect(control, &client);
    if (client.right == info.bmWidth && client.bottom == info.bmHeight)
        return TRUE;
    RECT outer = {0, 0, info.bmWidth, info.bmHeight};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(control, GWL_EXSTYLE)));
    ::SetWindowPos(control, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

} // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    control.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDTemplate(templateId), m_pParentWnd(parent)
{
}

HWND CDialog::ChooseOwner() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    const HWND main = AfxGetMainWndHandle();
    // The main window itself has no owner.
    if (!main || (AfxGetApp() && AfxGetApp()->m_pMainWnd == this))
        return nullptr;
    return main;
}

INT_PTR CDialog::DoModal()
{
    const HWND owner = ChooseOwner();
    m_bModalEnded = false;
    m_nModalResult = -1;

    // The owner is disabled first so that the new dialog, not the owner,
    // becomes the active window.
    const bool reenableOwner = owner && ::IsWindowEnabled(owner);
    if (reenableOwner)
        ::EnableWindow(owner, FALSE);

    // OnInitDialog runs inside this call and may already end the dialog.
    const HWND created = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                                              DialogProc, reinterpret_cast<LPARAM>(this));
    if (created && !m_bModalEnded) {
        ::ShowWindow(created, SW_SHOWNORMAL);
        MSG message;
        while (!m_bModalEnded) {
            const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                // Someone asked the thread to quit: pass it on and give up.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                m_nModalResult = IDCANCEL;
                break;
            }
            if (got == -1)
                break;
            if (!::IsDialogMessageW(created, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }

    // Owner first, so activation returns to it and not to another program.
    if (reenableOwner)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (owner)
        ::SetActiveWindow(owner);
    if (m_hWnd)
        DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    m_bModalEnded = true;
    // Wakes the modal loop when it is waiting for a message.
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog()
{
    ::EnumChildWindows(m_hWnd, FitPictureToBitmap, 0);
    UseFontWithProgramCharacters(m_hWnd);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!dialog)
        return FALSE;
    // No exception may unwind through the system's frames.
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_INITDIALOG: {
        RECT before = {};
        ::GetWindowRect(m_hWnd, &before);
        const BOOL focusDefault = OnInitDialog();
        RECT after = {};
        ::GetWindowRect(m_hWnd, &after);
        if (before.left == after.left && before.top == after.top)
            CenterWindow();
        return focusDefault;
    }
    case WM_COMMAND:
        if (OnWndMsg(message, wParam, lParam, &result))
            return TRUE;
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
        }
        return FALSE;
    case WM_QUERYDRAGICON:
        // One of the messages whose result a dialog procedure returns directly.
        if (OnWndMsg(message, wParam, lParam, &result))
            return static_cast<INT_PTR>(result);
        return FALSE;
    default:
        if (OnWndMsg(message, wParam, lParam, &result)) {
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
}
