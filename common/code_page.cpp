#include "common/code_page.h"

CodePage::CodePage(unsigned number) : m_number(number)
{
    switch (number) {
    case 932: // Japanese
        m_leadRanges[0] = {0x81, 0x9F};
        m_leadRanges[1] = {0xE0, 0xFC};
        m_rangeCount = 2;
        break;
    case 936: // Simplified Chinese
    case 949: // Korean
    case 950: // Traditional Chinese
        m_leadRanges[0] = {0x81, 0xFE};
        m_rangeCount = 1;
        break;
    case 1361: // Korean (Johab)
        m_leadRanges[0] = {0x84, 0xD3};
        m_leadRanges[1] = {0xD8, 0xDE};
        m_leadRanges[2] = {0xE0, 0xF9};
        m_rangeCount = 3;
        break;
    default:
        break;
    }
}

bool CodePage::IsLeadByte(unsigned char byte) const
{
    for (std::size_t i = 0; i < m_rangeCount; ++i) {
        if (byte >= m_leadRanges[i].first && byte <= m_leadRanges[i].last)
            return true;
    }
    return false;
}

std::size_t CodePage::CharWidth(std::string_view text, std::size_t index) const
{
    if (index + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[index])))
        return 2;
    return 1;
}

std::size_t CodePage::FindBackslash(std::string_view text, std::size_t from) const
{
    for (std::size_t i = 0; i < text.size(); i += CharWidth(text, i)) {
        if (i >= from && text[i] == '\\')
            return i;
    }
    return std::string_view::npos;
}

std::size_t CodePage::FindLastBackslash(std::string_view text) const
{
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharWidth(text, i)) {
        if (text[i] == '\\')
            last = i;
    }
    return last;
}
