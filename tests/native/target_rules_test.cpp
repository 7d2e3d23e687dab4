#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "location/target_rules.h"

namespace {

using namespace std::string_literals;

const CodePage kGbk(936);
const CodePage kLatin(1252);

// One GBK character whose second byte is 0x5C, the backslash.
const std::string kTrail5C = "\x81\x5C";

TEST(TargetFormat, TypedPaths)
{
    struct Case {
        std::string path;
        unsigned codePage;
        TargetFormat format;
    };
    const Case cases[] = {
        {"C:\\", 936, TargetFormat::Valid},
        {"D:Program", 936, TargetFormat::Valid},
        {"1:\\x", 936, TargetFormat::Valid},
        {"C:\\Apps", 936, TargetFormat::Valid},
        {"C:\\x" + kTrail5C, 936, TargetFormat::Valid},
        {"", 936, TargetFormat::TooShort},
        {"C:", 936, TargetFormat::TooShort},
        {"\\\\server\\share\\x", 936, TargetFormat::NoDriveColon},
        {"Apps", 936, TargetFormat::NoDriveColon},
        {"CC:\\", 936, TargetFormat::NoDriveColon},
        {"C:\\Ap*", 936, TargetFormat::Wildcard},
        {"C:\\d?r\\", 936, TargetFormat::Wildcard},
        {"C:\\a\0b"s, 936, TargetFormat::EmbeddedZero},
        {"C:\\a\\\x81", 936, TargetFormat::CutCharacter},
        // In Johab '?' can be the second byte of a character; in 1252 it cannot.
        {"C:\\\x84?", 1361, TargetFormat::Valid},
        {"C:\\\x84?", 1252, TargetFormat::Wildcard},
        {"C:\\a\\\x81", 1252, TargetFormat::Valid},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckTargetFormat(c.path, CodePage(c.codePage)), c.format) << c.path << " in " << c.codePage;
}

TEST(TargetFormat, NormalisedTargetEndsInOneBackslash)
{
    struct Case {
        std::string path;
        const CodePage& codePage;
        std::optional<std::string> target;
    };
    const Case cases[] = {
        {"C:\\", kGbk, "C:\\"},
        {"D:Program", kGbk, "D:Program\\"},
        {"1:\\x", kGbk, "1:\\x\\"},
        // Typed paths get no product folder.
        {"C:\\Apps", kGbk, "C:\\Apps\\"},
        {"C:\\Apps\\\\", kGbk, "C:\\Apps\\\\"},
        {"C:\\x" + kTrail5C, kGbk, "C:\\x" + kTrail5C + "\\"},
        {"C:\\x" + kTrail5C, kLatin, "C:\\x" + kTrail5C},
        {"\\\\server\\share\\x", kGbk, std::nullopt},
        {"C:\\d?r", kGbk, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalisedTarget(c.path, c.codePage), c.target) << c.path;
}

TEST(TargetRules, ProductFolderJoinedByOneBackslash)
{
    struct Case {
        std::string folder;
        const CodePage& codePage;
        std::string target;
    };
    const Case cases[] = {
        {"E:\\", kGbk, "E:\\Ombrel\\"},
        {"C:\\Program Files", kGbk, "C:\\Program Files\\Ombrel\\"},
        {"D:\\Ombrel", kGbk, "D:\\Ombrel\\Ombrel\\"},
        {"C:\\x" + kTrail5C, kGbk, "C:\\x" + kTrail5C + "\\Ombrel\\"},
        {"C:\\x" + kTrail5C, kLatin, "C:\\x" + kTrail5C + "Ombrel\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppendProductFolder(c.folder, c.codePage), c.target) << c.folder;
}

TEST(TargetRules, DefaultFromProgramFiles)
{
    // Longest values whose target still fits 300 bytes with its terminator:
    // 291 + "\Ombrel\" and 292 + "Ombrel\" are 299 bytes.
    const std::string fits = "D:\\" + std::string(288, 'a');
    const std::string fitsWithBackslash = "D:\\" + std::string(288, 'a') + "\\";
    struct Case {
        std::optional<std::string> programFiles;
        std::string target;
    };
    const Case cases[] = {
        {"C:\\Program Files", "C:\\Program Files\\Ombrel\\"},
        {std::nullopt, "C:\\Ombrel\\"},
        {"", "C:\\Ombrel\\"},
        {"D:\\", "D:\\Ombrel\\"},
        {"C:\\x" + kTrail5C, "C:\\x" + kTrail5C + "\\Ombrel\\"},
        {fits, fits + "\\Ombrel\\"},
        {fits + "a", "C:\\Ombrel\\"},
        {fitsWithBackslash, fitsWithBackslash + "Ombrel\\"},
        {"D:\\" + std::string(289, 'a') + "\\", "C:\\Ombrel\\"},
        {"D:\\" + std::string(296, 'a'), "C:\\Ombrel\\"},
        {"D:\\" + std::string(5000, 'a'), "C:\\Ombrel\\"},
    };
    for (const Case& c : cases) {
        const std::string target = DefaultTargetFrom(c.programFiles, kGbk);
        EXPECT_EQ(target, c.target) << (c.programFiles ? c.programFiles->size() : 0) << " bytes";
        EXPECT_LT(target.size(), kDefaultTargetBufferSize);
    }
}

} // namespace
