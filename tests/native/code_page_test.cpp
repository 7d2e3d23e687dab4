#include <gtest/gtest.h>

#include "common/code_page.h"

namespace {

// "表\x" in GBK is B1 ED; "\x81\x5C" is a GBK character whose trail byte is 0x5C.
const std::string kTrailBackslash = std::string("ab\\") + "\x81\x5C" + "cd\\e";

TEST(CodePage, TrailByteOfDoubleByteCharacterIsNotASeparator)
{
    const CodePage gbk(936);
    EXPECT_EQ(gbk.FindBackslash(kTrailBackslash), 2u);
    EXPECT_EQ(gbk.FindBackslash(kTrailBackslash, 3), 7u);
    EXPECT_EQ(gbk.FindLastBackslash(kTrailBackslash), 7u);
    EXPECT_EQ(gbk.FindLastBackslash(std::string("x\\\x81\x5C")), 1u);
}

TEST(CodePage, SingleByteCodePageSeesEveryBackslash)
{
    const CodePage latin(1252);
    EXPECT_EQ(latin.FindBackslash(kTrailBackslash, 3), 4u);
    EXPECT_EQ(latin.FindLastBackslash(kTrailBackslash), 7u);
}

TEST(CodePage, StartInsideACharacterStillWalksFromTheBeginning)
{
    const CodePage gbk(936);
    // Searching from the trail byte must not find it.
    EXPECT_EQ(gbk.FindBackslash(kTrailBackslash, 4), 7u);
}

TEST(CodePage, LeadByteRanges)
{
    struct Case {
        unsigned codePage;
        unsigned char byte;
        bool lead;
    };
    const Case cases[] = {
        {936, 0x80, false}, {936, 0x81, true},  {936, 0xFE, true},  {936, 0xFF, false},
        {932, 0x81, true},  {932, 0xA0, false}, {932, 0xB1, false}, {932, 0xE0, true},
        {1252, 0x81, false}, {949, 0xB0, true},  {950, 0xA4, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodePage(c.codePage).IsLeadByte(c.byte), c.lead) << c.codePage << " byte " << int(c.byte);
}

TEST(CodePage, LeadByteAtTheEndIsOneCharacter)
{
    const CodePage gbk(936);
    const std::string text = "a\\\x81";
    EXPECT_EQ(gbk.CharWidth(text, 2), 1u);
    EXPECT_EQ(gbk.FindLastBackslash(text), 1u);
}

} // namespace
