// The agreement is shown as one text: its form in the Chinese ANSI code page
// is what the size and line structure are measured in.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "pages/license_text.h"

namespace {

std::string ToGbk(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP936", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string input = utf8;
    std::string output(input.size() * 2, '\0');
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = input.size();
    size_t outLeft = output.size();
    const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    output.resize(output.size() - outLeft);
    return output;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(LicenseText, Is741BytesOfGbkWith18LineBreaks)
{
    const std::string gbk = ToGbk(kLicenseText);
    ASSERT_FALSE(gbk.empty()) << "the agreement must be representable in code page 936";
    EXPECT_EQ(gbk.size(), 741u);

    const std::string text = kLicenseText;
    EXPECT_EQ(Lines(text).size(), 19u); // 18 CR LF pairs
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
        if (text[i] == '\r')
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at byte " << i;
    }
}

TEST(LicenseText, HasTitleRequestAndFiveHeadedSections)
{
    const std::vector<std::string> lines = Lines(kLicenseText);
    EXPECT_EQ(lines.front().rfind("Ombrel ", 0), 0u) << "the title names the product";
    EXPECT_NE(lines[2].find("仔细阅读"), std::string::npos);

    int headings = 0;
    int indented = 0;
    const std::string fullWidthColon = "：";
    for (const std::string& line : lines) {
        if (line.size() >= fullWidthColon.size() &&
            line.compare(line.size() - fullWidthColon.size(), fullWidthColon.size(), fullWidthColon) == 0 &&
            line[0] != ' ' && line != lines[2])
            ++headings;
        if (line.rfind("    ", 0) == 0)
            ++indented;
    }
    EXPECT_EQ(headings, 5);
    EXPECT_GT(indented, 0);
}

} // namespace
