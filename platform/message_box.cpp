#include "platform/message_box.h"

#include <windows.h>

#include "platform/app.h"
#include "platform/text.h"

namespace {

std::wstring ProgramTitle()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return L"Install";
    std::wstring name(path, length);
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}

struct OwnedWindowSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindEnabledOwnedWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<OwnedWindowSearch*>(param);
    if (::GetWindow(window, GW_OWNER) != search->owner || !::IsWindowVisible(window) || !::IsWindowEnabled(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The page on top: normally the main window's last active popup. A page
// that has not been activated yet (the program is not in the foreground)
// is not that, and the main window is disabled under it; then the topmost
// enabled window the main window owns.
HWND MessageOwner()
{
    const HWND main = AfxGetMainWndHandle();
    if (!main || !IsWindow(main))
        return nullptr;
    const HWND popup = GetLastActivePopup(main);
    if (popup && IsWindowEnabled(popup))
        return popup;
    OwnedWindowSearch search = {main, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), FindEnabledOwnedWindow,
                      reinterpret_cast<LPARAM>(&search));
    return search.found ? search.found : popup;
}

int ShowBox(HWND owner, const std::wstring& text, unsigned flags)
{
    const unsigned type = flags & MB_TYPEMASK;
    if ((flags & MB_ICONMASK) == 0 && (type == MB_OK || type == MB_OKCANCEL))
        flags |= MB_ICONEXCLAMATION;
    return MessageBoxW(owner, text.c_str(), ProgramTitle().c_str(), flags);
}

std::wstring WideText(const char* utf8Text)
{
    // Our own texts are valid UTF-8; an empty box is better than none.
    return WideFromUtf8(utf8Text).value_or(std::wstring());
}

} // namespace

int AfxMessageBox(const std::wstring& text, unsigned flags, unsigned /*helpId*/)
{
    return ShowBox(MessageOwner(), text, flags);
}

int MessageBoxOver(HWND owner, const char* utf8Text, unsigned flags)
{
    return ShowBox(owner, WideText(utf8Text), flags);
}

int AfxMessageBox(const char* utf8Text, unsigned flags, unsigned helpId)
{
    return AfxMessageBox(WideText(utf8Text), flags, helpId);
}
