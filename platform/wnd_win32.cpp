#include "platform/wnd.h"

#include <vector>

#include "platform/app.h"
#include "platform/text.h"

void CWnd::SetWindowText(const char* utf8Text)
{
    ::SetWindowTextW(m_hWnd, WideFromUtf8(utf8Text).value_or(std::wstring()).c_str());
}

void CWnd::SetWindowTextAnsi(const std::string& ansiText)
{
    ::SetWindowTextA(m_hWnd, ansiText.c_str());
}

std::string CWnd::GetWindowTextAnsi() const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::ShowWindow(int command)
{
    return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

HMENU CWnd::GetSystemMenu(BOOL revert) const
{
    return ::GetSystemMenu(m_hWnd, revert);
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

void CWnd::GetClientRect(RECT* rect) const
{
    ::GetClientRect(m_hWnd, rect);
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    HWND center = alternateOwner;
    if (!center) {
        const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
            center = owner;
    }
    const HWND desktop = ::GetDesktopWindow();
    if (center == desktop)
        center = nullptr;

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;

    RECT area = work;
    if (center)
        ::GetWindowRect(center, &area);
    RECT self = {};
    ::GetWindowRect(m_hWnd, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;

    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    // Keep the whole window on the work area (its top left wins when it is
    // larger than the work area).
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    const BOOL destroyed = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return destroyed;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    // A handler may run a modal loop whose messages come back here: each
    // message keeps its own answer to "default processing wanted".
    const bool outerDefaultWanted = m_bDefaultWanted;
    m_bDefaultWanted = false;
    const bool handled = Dispatch(message, wParam, lParam, result) && !m_bDefaultWanted;
    m_bDefaultWanted = outerDefaultWanted;
    return handled;
}

bool CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        const UINT code = HIWORD(wParam);
        if (OnCmdMsg(id, code))
            break;
        // Commands no window handles go to the application (the help command).
        if (lParam == 0 && AfxGetApp() && AfxGetApp()->OnCmdMsg(id, code))
            break;
        return false;
    }
    case WM_SYSCOMMAND:
        if (const MessageMapEntry* entry = FindEntry(MessageMapEntry::Kind::SysCommand)) {
            (this->*entry->onSysCommand)(static_cast<UINT>(wParam), lParam);
            break;
        }
        return false;
    case WM_PAINT:
        if (const MessageMapEntry* entry = FindEntry(MessageMapEntry::Kind::Paint)) {
            (this->*entry->onVoid)();
            break;
        }
        return false;
    case WM_QUERYDRAGICON:
        if (const MessageMapEntry* entry = FindEntry(MessageMapEntry::Kind::QueryDragIcon)) {
            *result = reinterpret_cast<LRESULT>((this->*entry->onIcon)());
            break;
        }
        return false;
    default:
        if (const MessageMapEntry* entry = FindEntry(MessageMapEntry::Kind::Message, 0, message)) {
            *result = (this->*entry->onMessage)(wParam, lParam);
            break;
        }
        return false;
    }
    return true;
}
