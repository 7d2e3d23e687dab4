#include <gtest/gtest.h>

#include "tools/datpack/code_page_text.h"
#include "tools/datpack/extract.h"

namespace {

std::unique_ptr<ICodePageText> Open(unsigned number)
{
    std::string error;
    auto converter = OpenCodePageText(number, error);
    EXPECT_NE(converter, nullptr) << error;
    return converter;
}

TEST(CodePageText, EncodesOnlyWhatConvertsExactly)
{
    struct Case {
        unsigned codePage;
        std::string text;
        bool ok;
        std::string ansi;
    };
    const Case cases[] = {
        {936, "ombrel.exe", true, "ombrel.exe"},
        {936, "你好\\世界.txt", true, "\xC4\xE3\xBA\xC3\\\xCA\xC0\xBD\xE7.txt"},
        {936, "乗", true, "\x81\x5C"}, // trail byte is a backslash
        {936, "smile\xF0\x9F\x98\x80", false, ""}, // not in GBK
        {936, "\xC3\xA9t\xC3\xA9", true, "\xA8\xA6t\xA8\xA6"},
        {1252, "caf\xC3\xA9", true, "caf\xE9"},
        {1252, "你", false, ""},
        {1252, "\xC4\x81", false, ""}, // a-macron: best fit would give a plain 'a'
    };
    for (const Case& c : cases) {
        const auto converter = Open(c.codePage);
        std::string ansi;
        EXPECT_EQ(EncodeExact(*converter, c.text, ansi), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(ansi, c.ansi) << c.text;
    }
}

TEST(CodePageText, UnsupportedCodePageIsAnError)
{
    std::string error;
    EXPECT_EQ(OpenCodePageText(12345, error), nullptr);
    EXPECT_NE(error.find("code page 12345"), std::string::npos) << error;
}

TEST(CodePageText, DisplayEscapesOnlyTheBytesThatDoNotDecode)
{
    const auto gbk = Open(936);
    const CodePage page(936);
    EXPECT_EQ(DisplayName(*gbk, page, "dir\\\xC4\xE3.txt"), "dir\\你.txt");
    EXPECT_EQ(DisplayName(*gbk, page, "a\xFF" "b"), "a\\xFFb");
    EXPECT_EQ(DisplayName(*gbk, page, "\xA2\xA0\xC4\xE3"), "\\xA2\\xA0你"); // unassigned pair
    EXPECT_EQ(DisplayName(*gbk, page, "end\xC4"), "end\\xC4");            // lead byte without trail
}

TEST(EntryPathComponents, SplitsAtBackslashesNotAtTrailBytes)
{
    const auto gbk = Open(936);
    const CodePage page(936);
    std::vector<NativeString> parts;
    ASSERT_TRUE(EntryPathComponents("\xC4\xE3\xBA\xC3\\\x81\x5C.txt", *gbk, page, parts));
    EXPECT_EQ(parts, (std::vector<NativeString>{"你好", "乗.txt"}));
    ASSERT_TRUE(EntryPathComponents("single", *gbk, page, parts));
    EXPECT_EQ(parts.size(), 1u);
    EXPECT_FALSE(EntryPathComponents("ok\\bad\xFF", *gbk, page, parts));
}

} // namespace
