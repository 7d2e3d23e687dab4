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

HWND MessageOwner()
{
    const HWND main = AfxGetMainWndHandle();
    if (!main || !IsWindow(main))
        return nullptr;
    return GetLastActivePopup(main);
}

} // namespace

int AfxMessageBox(const std::wstring& text, unsigned flags, unsigned /*helpId*/)
{
    const unsigned type = flags & MB_TYPEMASK;
    if ((flags & MB_ICONMASK) == 0 && (type == MB_OK || type == MB_OKCANCEL))
        flags |= MB_ICONEXCLAMATION;
    return MessageBoxW(MessageOwner(), text.c_str(), ProgramTitle().c_str(), flags);
}

int AfxMessageBox(const char* utf8Text, unsigned flags, unsigned helpId)
{
    // Our own texts are valid UTF-8; an empty box is better than none.
    return AfxMessageBox(WideFromUtf8(utf8Text).value_or(std::wstring()), flags, helpId);
}
