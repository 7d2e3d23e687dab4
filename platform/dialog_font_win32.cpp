#include "platform/dialog_font.h"

#include <string>
#include <vector>

namespace {

// Characters the program's windows show, Chinese and Latin; a font without
// them draws boxes.
constexpr wchar_t kProgramCharacters[] = L"\x5B89\x88C5Om"; // "安装Om"
constexpr int kProgramCharacterCount = 4;

bool FontShows(HFONT font)
{
    const HDC dc = ::GetDC(nullptr);
    if (!dc)
        return true;
    const HGDIOBJ previous = ::SelectObject(dc, font);
    WORD glyphs[kProgramCharacterCount] = {};
    const DWORD mapped =
        ::GetGlyphIndicesW(dc, kProgramCharacters, kProgramCharacterCount, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    if (mapped == GDI_ERROR)
        return false;
    for (const WORD glyph : glyphs) {
        if (glyph == 0xFFFF)
            return false;
    }
    return true;
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param)
{
    // A vertical-writing face ("@name") lies on its side.
    if (font->lfFaceName[0] != L'@' && (type & TRUETYPE_FONTTYPE))
        reinterpret_cast<std::vector<std::wstring>*>(param)->emplace_back(font->lfFaceName);
    return 1;
}

// The dialog font, same size, in the first face with Chinese characters
// that shows all of the program's characters; null when there is none.
HFONT ChineseFontLike(HFONT font)
{
    LOGFONTW wanted = {};
    if (!::GetObjectW(font, sizeof(wanted), &wanted))
        return nullptr;
    LOGFONTW search = {};
    search.lfCharSet = GB2312_CHARSET;
    std::vector<std::wstring> faces;
    const HDC dc = ::GetDC(nullptr);
    if (!dc)
        return nullptr;
    ::EnumFontFamiliesExW(dc, &search, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ::ReleaseDC(nullptr, dc);
    wanted.lfCharSet = GB2312_CHARSET;
    for (const std::wstring& face : faces) {
        lstrcpynW(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
        const HFONT candidate = ::CreateFontIndirectW(&wanted);
        if (candidate && FontShows(candidate))
            return candidate;
        if (candidate)
            ::DeleteObject(candidate);
    }
    return nullptr;
}

BOOL CALLBACK SetControlFont(HWND control, LPARAM font)
{
    ::SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

// One replacement font for the whole process, made on first need and kept
// until the process ends (windows use it until they are destroyed).
class CFallbackFont {
public:
    ~CFallbackFont()
    {
        if (m_font)
            ::DeleteObject(m_font);
    }
    HFONT For(HFONT dialogFont)
    {
        if (!m_tried) {
            m_tried = true;
            m_font = ChineseFontLike(dialogFont);
        }
        return m_font;
    }

private:
    bool m_tried = false;
    HFONT m_font = nullptr;
};

} // namespace

HFONT UseFontWithProgramCharacters(HWND dialog)
{
    static CFallbackFont fallback;
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!font || FontShows(font))
        return font;
    const HFONT replacement = fallback.For(font);
    if (!replacement)
        return font;
    ::EnumChildWindows(dialog, SetControlFont, reinterpret_cast<LPARAM>(replacement));
    return replacement;
}

