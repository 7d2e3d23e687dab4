#include "tools/datpack/code_page_text.h"

#include <cstdio>

bool EncodeExact(const ICodePageText& converter, const NativeString& text, std::string& ansi)
{
    NativeString back;
    return converter.ToAnsi(text, ansi) && converter.FromAnsi(ansi, back) && back == text;
}

std::string DisplayName(const ICodePageText& converter, const CodePage& codePage, std::string_view ansi)
{
    std::string shown;
    NativeString character;
    // One character at a time, so a bad byte spoils only its own character.
    for (std::size_t i = 0; i < ansi.size();) {
        const std::size_t width = codePage.CharWidth(ansi, i);
        const std::string_view bytes = ansi.substr(i, width);
        if (converter.FromAnsi(bytes, character)) {
            shown += std::filesystem::path(character).u8string();
        } else {
            for (const char byte : bytes) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
                shown += escaped;
            }
        }
        i += width;
    }
    return shown;
}
