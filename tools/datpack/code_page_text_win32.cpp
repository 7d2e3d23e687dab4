#include "tools/datpack/code_page_text.h"

#include <windows.h>

#include <climits>
#include <string>

namespace {

class CWin32CodePageText final : public ICodePageText {
public:
    explicit CWin32CodePageText(unsigned number) : m_number(number) {}

    bool ToAnsi(const NativeString& text, std::string& ansi) const override
    {
        ansi.clear();
        if (text.empty())
            return true;
        if (text.size() > INT_MAX / 4)
            return false;
        const int length = static_cast<int>(text.size());
        std::string buffer(text.size() * 4, '\0');
        BOOL usedDefault = FALSE;
        // No best fit: a character without an exact equivalent fails rather
        // than turning into a look-alike, and usedDefault catches the rest.
        const int written = WideCharToMultiByte(m_number, WC_NO_BEST_FIT_CHARS, text.data(), length, buffer.data(),
                                                static_cast<int>(buffer.size()), nullptr, &usedDefault);
        if (written <= 0 || usedDefault)
            return false;
        buffer.resize(static_cast<std::size_t>(written));
        ansi = std::move(buffer);
        return true;
    }

    bool FromAnsi(std::string_view ansi, NativeString& text) const override
    {
        text.clear();
        if (ansi.empty())
            return true;
        if (ansi.size() > INT_MAX)
            return false;
        const int length = static_cast<int>(ansi.size());
        std::wstring buffer(ansi.size(), L'\0');
        const int written = MultiByteToWideChar(m_number, MB_ERR_INVALID_CHARS, ansi.data(), length, buffer.data(),
                                                static_cast<int>(buffer.size()));
        if (written <= 0)
            return false;
        buffer.resize(static_cast<std::size_t>(written));
        text = std::move(buffer);
        return true;
    }

private:
    unsigned m_number;
};

} // namespace

std::unique_ptr<ICodePageText> OpenCodePageText(unsigned number, std::string& error)
{
    // UTF-7 and UTF-8 take none of the strict flags above; they are not ANSI
    // code pages the installer could run under in any case.
    if (number == CP_UTF7 || number == CP_UTF8 || !IsValidCodePage(number)) {
        error = "code page " + std::to_string(number) + " is not an ANSI code page this system can convert";
        return nullptr;
    }
    return std::make_unique<CWin32CodePageText>(number);
}
