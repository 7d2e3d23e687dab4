#include "platform/text.h"

#include <windows.h>

namespace {

std::optional<std::wstring> ToWide(UINT codePage, DWORD flags, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

std::optional<std::wstring> WideFromUtf8(const std::string& utf8)
{
    return ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
}

std::optional<std::wstring> WideFromAnsi(const std::string& ansi)
{
    return ToWide(CP_ACP, 0, ansi);
}

std::optional<std::string> AnsiFromWide(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int wideLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                           nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, ansi.data(), length, nullptr,
                        nullptr);
    return ansi;
}

std::optional<std::string> AnsiFromUtf8(const std::string& utf8)
{
    const std::optional<std::wstring> wide = WideFromUtf8(utf8);
    if (!wide)
        return std::nullopt;
    return AnsiFromWide(*wide);
}
