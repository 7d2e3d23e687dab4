#include "datpack_fixture.h"

using namespace dptest;

namespace {

class DatpackInspect : public DatpackTest {};

TEST_F(DatpackInspect, ListShowsStoredSizesAndDecodedNames)
{
    const fs::path package = MakePackage(R"({"entries": [
        {"name": "ombrel.exe", "content": "MZ"},
        {"name": "你好\\世界.txt", "size": 40000},
        {"name": "same", "content": "one"},
        {"name": "same", "content": "two!"},
        {"name": "empty", "size": 0},
        {"name": "negative", "size": -7},
        {"name_hex": "61ff62a2a0"}],
        "trailing_hex": "dead"})");
    const RunResult result = Datpack({"list", package.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "          2  ombrel.exe\n"
                          "      40000  你好\\世界.txt\n"
                          "          3  same\n"
                          "          4  same\n"
                          "          0  empty\n"
                          "         -7  negative\n"
                          "          0  a\\xFFb\\xA2\\xA0\n");
    EXPECT_TRUE(result.err.empty());
}

TEST_F(DatpackInspect, ListDecodesWithTheGivenCodePage)
{
    const fs::path package = MakePackage(R"({"codepage": 1252, "entries": [{"name": "\u00ff.txt", "content": "x"}]})");
    EXPECT_EQ(Datpack({"list", package.string(), "--codepage", "1252"}).out, "          1  \xC3\xBF.txt\n");
    // 0xFF is no character in GBK.
    EXPECT_EQ(Datpack({"list", package.string()}).out, "          1  \\xFF.txt\n");
}

TEST_F(DatpackInspect, VerifyAcceptsWhatTheInstallerAccepts)
{
    struct Case {
        const char* what;
        const char* layout;
        const char* summary;
    };
    const Case cases[] = {
        {"ordinary", R"({"entries": [{"name": "a", "size": 30721}, {"name": "b\\c", "content": "xyz"}]})",
         "ok, 2 entries, 30724 content bytes"},
        {"count 0", R"({"count": 0})", "ok, 0 entries, 0 content bytes"},
        {"negative count: the table is ignored", R"({"count": -5, "entries": [{"name": "a", "content": "x"}]})",
         "ok, 0 entries, 0 content bytes, 265 trailing bytes ignored"},
        {"header cut after the signature", R"({"truncate_to": 6})", "ok, 0 entries, 0 content bytes"},
        {"sizes 0 and negative", R"({"entries": [{"name": "z", "size": 0}, {"name": "n", "size": -1}]})",
         "ok, 2 entries, 0 content bytes"},
        {"duplicates", R"({"entries": [{"name": "d", "content": "1"}, {"name": "d", "content": "22"}]})",
         "ok, 2 entries, 3 content bytes"},
        {"trailing bytes", R"({"entries": [{"name": "a", "content": "1"}], "trailing_hex": "00ff00"})",
         "ok, 1 entries, 1 content bytes, 3 trailing bytes ignored"},
        {"nonzero reserved bytes", R"({"reserved_hex": "ffffffffffffffffffffffffffffffffffff"})",
         "ok, 0 entries, 0 content bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path package = MakePackage(c.layout);
        const RunResult result = Datpack({"verify", package.string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, package.string() + ": " + c.summary + "\n");
    }
}

// Every way a package can be refused, and what each command says about it.
// Entry 0 is always good, so the problem is found at entry 1 (offset 292).
struct Malformed {
    const char* what;
    std::string layout;
    std::string problem;
    bool tableIsFine = false; // the table reads; only the contents are short
};

std::string WithSecondName(const std::string& nameField)
{
    return R"({"entries": [{"name": "ok.txt", "content": "fine"}, {)" + nameField + R"(, "content": "bad"}]})";
}

const std::vector<Malformed>& MalformedPackages()
{
    const std::string notAPackage = "not a package: version is not 1 or signature is not \"KX\"";
    static const std::vector<Malformed> cases = {
        {"empty file", R"({"truncate_to": 0})", notAPackage},
        {"five bytes", R"({"truncate_to": 5})", notAPackage},
        {"version 2", R"({"version": 2})", notAPackage},
        {"version 0", R"({"version": 0, "entries": [{"name": "a"}]})", notAPackage},
        {"signature XK", R"({"signature": "XK"})", notAPackage},
        {"table cut inside entry 1",
         R"({"entries": [{"name": "a", "content": "1"}, {"name": "b", "content": "2"}], "truncate_to": 392})",
         "entry table is cut short: entry 1 at offset 392 is incomplete"},
        {"count larger than the table", R"({"count": 1000, "entries": [{"name": "a", "content": "1"}]})",
         "entry table is cut short: entry 1 at offset 293 is incomplete"},
        {"parent component", WithSecondName(R"("name": "..\\evil.exe")"),
         "entry 1 at offset 292: name has a '.' or '..' component"},
        {"nested parent component", WithSecondName(R"("name": "a\\..\\..\\evil.exe")"),
         "entry 1 at offset 292: name has a '.' or '..' component"},
        {"absolute", WithSecondName(R"("name": "\\windows\\evil.exe")"), "entry 1 at offset 292: name is absolute"},
        {"UNC", WithSecondName(R"("name": "\\\\server\\share\\x")"), "entry 1 at offset 292: name is absolute"},
        {"drive", WithSecondName(R"("name": "C:\\evil.exe")"), "entry 1 at offset 292: name contains a colon"},
        {"stream", WithSecondName(R"("name": "a.txt:hidden")"), "entry 1 at offset 292: name contains a colon"},
        {"slash", WithSecondName(R"("name": "a/../../x")"), "entry 1 at offset 292: name contains a slash"},
        {"device", WithSecondName(R"("name": "sub\\nul.txt")"), "entry 1 at offset 292: name uses a reserved device name"},
        {"reserved character", WithSecondName(R"("name": "a*b")"), "entry 1 at offset 292: name contains one of"},
        {"control character", WithSecondName(R"("name": "a\u0001b")"),
         "entry 1 at offset 292: name contains a control character"},
        {"empty name", WithSecondName(R"("name": "")"), "entry 1 at offset 292: name is empty"},
        {"empty component", WithSecondName(R"("name": "a\\\\b")"), "entry 1 at offset 292: name has an empty component"},
        {"trailing backslash", WithSecondName(R"("name": "dir\\")"), "entry 1 at offset 292: name has an empty component"},
        {"lead byte at the end", WithSecondName(R"("name_hex": "6181")"),
         "entry 1 at offset 292: name has an incomplete or malformed double-byte character"},
        {"no terminator", WithSecondName(R"("name_hex": ")" + std::string(520, '6') + "\""),
         "entry 1 at offset 292: name has no terminating zero within 260 bytes"},
        {"contents cut inside entry 1",
         R"({"entries": [{"name": "a", "size": 5}, {"name": "b", "size": 100}], "truncate_to": 611})",
         "file ends inside the contents of entry 1 at offset 611", true},
        {"contents missing entirely", R"({"entries": [{"name": "a", "size": 5}], "truncate_to": 292})",
         "file ends inside the contents of entry 0 at offset 292", true},
    };
    return cases;
}

TEST_F(DatpackInspect, VerifyAndListRefuseMalformedPackagesSayingWhereAndWhy)
{
    for (const Malformed& c : MalformedPackages()) {
        SCOPED_TRACE(c.what);
        const fs::path package = MakePackage(c.layout);
        const RunResult verify = Datpack({"verify", package.string()});
        ExpectOneErrorLine(verify, package.string() + ": " + c.problem);
        EXPECT_TRUE(verify.out.empty());
        const RunResult list = Datpack({"list", package.string()});
        if (c.tableIsFine) {
            EXPECT_EQ(list.exitCode, 0); // list reads the table only
        } else {
            ExpectOneErrorLine(list, c.problem);
            EXPECT_TRUE(list.out.empty());
        }
    }
}

TEST_F(DatpackInspect, ExtractWritesNothingForABrokenTable)
{
    for (const Malformed& c : MalformedPackages()) {
        if (c.tableIsFine)
            continue;
        SCOPED_TRACE(c.what);
        const fs::path package = MakePackage(c.layout);
        ExpectOneErrorLine(Datpack({"extract", package.string(), Path("out").string()}), c.problem);
        EXPECT_FALSE(fs::exists(Path("out")));
    }
}

TEST_F(DatpackInspect, NameRulesFollowTheCodePage)
{
    // Under GBK 0x81 0x5C is one character; under 1252 the 0x5C is a
    // backslash that starts a ".." component.
    const fs::path package = MakePackage(R"({"entries": [{"name_hex": "815c2e2e5c78", "content": "x"}]})");
    EXPECT_EQ(Datpack({"verify", package.string()}).exitCode, 0);
    ExpectOneErrorLine(Datpack({"verify", package.string(), "--codepage", "1252"}),
                       "entry 0 at offset 28: name has a '.' or '..' component");
}

} // namespace
