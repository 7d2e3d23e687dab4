#include "datpack_fixture.h"

#include "tools/datpack/cli.h"

using namespace dptest;

namespace {

TEST(CommandLine, ParsesEachCommandsShape)
{
    Options options;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"create", "tree", "-o", "out.dat", "--codepage", "1252"}, options, error)) << error;
    EXPECT_EQ(options.command, Command::Create);
    EXPECT_EQ(options.source, "tree");
    EXPECT_EQ(options.destination, "out.dat");
    EXPECT_EQ(options.codePage, 1252u);

    ASSERT_TRUE(ParseCommandLine({"extract", "--codepage", "932", "p.dat", "dir"}, options, error)) << error;
    EXPECT_EQ(options.command, Command::Extract);
    EXPECT_EQ(options.destination, "dir");
    EXPECT_EQ(options.codePage, 932u);

    ASSERT_TRUE(ParseCommandLine({"list", "--", "-odd.dat"}, options, error)) << error;
    EXPECT_EQ(options.source, "-odd.dat");
    EXPECT_EQ(options.codePage, kDefaultCodePage);

    ASSERT_TRUE(ParseCommandLine({"verify", "p.dat", "--help"}, options, error));
    EXPECT_EQ(options.command, Command::Help);
}

TEST(CommandLine, RefusesWhatCannotBeRun)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* fragment;
    };
    const Case cases[] = {
        {{"pack", "tree"}, "unknown command 'pack'"},
        {{"create", "tree"}, "-o data.dat"},
        {{"create", "-o", "out.dat"}, "expected: datpack create"},
        {{"create", "a", "b", "-o", "out.dat"}, "expected: datpack create"},
        {{"create", "tree", "-o"}, "-o needs a value"},
        {{"list", "p.dat", "-o", "x"}, "-o applies to create only"},
        {{"list"}, "expected: datpack list"},
        {{"verify", "a.dat", "b.dat"}, "expected: datpack verify"},
        {{"extract", "p.dat"}, "expected: datpack extract data.dat DIR"},
        {{"list", "p.dat", "--codepage"}, "--codepage needs a value"},
        {{"list", "p.dat", "--codepage", "0"}, "from 1 to 65535"},
        {{"list", "p.dat", "--codepage", "65536"}, "from 1 to 65535"},
        {{"list", "p.dat", "--codepage", "936x"}, "from 1 to 65535"},
        {{"list", "p.dat", "--codepage", "-1"}, "from 1 to 65535"},
        {{"list", "p.dat", "--verbose"}, "unknown option '--verbose'"},
    };
    for (const Case& c : cases) {
        Options options;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.arguments, options, error)) << c.fragment;
        EXPECT_NE(error.find(c.fragment), std::string::npos) << "expected '" << c.fragment << "' in: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

class DatpackCommandLine : public DatpackTest {};

TEST_F(DatpackCommandLine, HelpAndNoArgumentsPrintUsage)
{
    const RunResult help = Datpack({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: datpack"), std::string::npos);
    EXPECT_TRUE(help.err.empty());

    const RunResult none = Datpack({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.out.find("usage: datpack"), std::string::npos);
}

TEST_F(DatpackCommandLine, BadCommandLineIsOneErrorLineAndExitTwo)
{
    ExpectOneErrorLine(Datpack({"unpack", "x"}), "unknown command", 2);
    ExpectOneErrorLine(Datpack({"list", "--codepage", "abc", "p.dat"}), "--codepage", 2);
}

TEST_F(DatpackCommandLine, MissingFilesAndUnknownCodePagesAreOneErrorLine)
{
    ExpectOneErrorLine(Datpack({"list", Path("none.dat").string()}), "cannot open");
    ExpectOneErrorLine(Datpack({"verify", m_root.string()}), "is a folder");
    ExpectOneErrorLine(Datpack({"create", Path("none").string(), "-o", Path("o.dat").string()}), "is not a folder");
    ExpectOneErrorLine(Datpack({"list", "--codepage", "12345", Path("none.dat").string()}), "code page 12345");
    EXPECT_FALSE(fs::exists(Path("o.dat")));
}

} // namespace
