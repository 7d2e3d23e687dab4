#pragma once

#include <cstddef>
#include <string_view>

// An ANSI code page as far as the path rules need it: which bytes start a
// double-byte character. Text is walked character by character with it, so
// the second byte of a character (which may be 0x5C) is never taken for a
// backslash.
class CodePage {
public:
    // Known double-byte code pages get their lead-byte ranges; any other
    // number is treated as a single-byte code page.
    explicit CodePage(unsigned number);

    unsigned Number() const { return m_number; }
    bool IsLeadByte(unsigned char byte) const;

    // Width in bytes of the character starting at `index`: 2 for a lead byte
    // followed by another byte, else 1.
    std::size_t CharWidth(std::string_view text, std::size_t index) const;

    // Position of the first backslash at or after `from`, or npos. The walk
    // starts at the beginning of the text so that `from` may fall anywhere.
    std::size_t FindBackslash(std::string_view text, std::size_t from = 0) const;
    std::size_t FindLastBackslash(std::string_view text) const;

private:
    struct Range {
        unsigned char first;
        unsigned char last;
    };
    unsigned m_number;
    Range m_leadRanges[3] = {};
    std::size_t m_rangeCount = 0;
};

constexpr unsigned kDefaultCodePage = 936;
