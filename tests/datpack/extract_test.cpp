#include "datpack_fixture.h"

#include <unistd.h>

using namespace dptest;

namespace {

using Tree = std::map<std::string, std::string>;

class DatpackExtract : public DatpackTest {
protected:
    RunResult Extract(const fs::path& package, const std::string& target = "out")
    {
        return Datpack({"extract", package.string(), Path(target).string()});
    }
};

TEST_F(DatpackExtract, FollowsTheInstallersRules)
{
    // GBK folders created on the way, later duplicates overwrite earlier
    // ones, sizes 0 and below give empty files, trailing bytes are ignored.
    const fs::path package = MakePackage(R"({"entries": [
        {"name": "你好\\世界\\文件.txt", "content": "nested"},
        {"name": "dup.txt", "content": "first, longer"},
        {"name": "big.bin", "size": 70000},
        {"name": "dup.txt", "content": "second"},
        {"name": "zero", "size": 0},
        {"name": "negative", "size": -12},
        {"name": "乗\\x", "content": "trail byte 5C is no separator"}],
        "trailing_hex": "0102"})");
    const RunResult result = Extract(package);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, Path("out").string() + ": extracted 7 entries, 70054 content bytes\n");
    EXPECT_EQ(TreeContents(Path("out")), (Tree{{"你好/世界/文件.txt", "nested"},
                                               {"dup.txt", "second"},
                                               {"big.bin", Pattern(70000, 3)},
                                               {"zero", ""},
                                               {"negative", ""},
                                               {"乗/x", "trail byte 5C is no separator"}}));
}

TEST_F(DatpackExtract, RoundTripsWhatCreatePacked)
{
    WriteFile(Path("tree/ombrel.exe"), Pattern(100000, 9));
    WriteFile(Path("tree/你好/空的.txt"), "");
    WriteFile(Path("tree/你好/a/b/c.txt"), "deep");
    ASSERT_EQ(Datpack({"create", Path("tree").string(), "-o", Path("p.dat").string()}).exitCode, 0);
    ASSERT_EQ(Extract(Path("p.dat")).exitCode, 0);
    EXPECT_EQ(TreeContents(Path("out")), TreeContents(Path("tree")));
    // Extracting again over the same files replaces them.
    WriteFile(Path("out/ombrel.exe"), "modified");
    ASSERT_EQ(Extract(Path("p.dat")).exitCode, 0);
    EXPECT_EQ(TreeContents(Path("out")), TreeContents(Path("tree")));
}

TEST_F(DatpackExtract, ContentsCutShortKeepWhatWasWrittenAndFail)
{
    const fs::path package = MakePackage(R"({"entries": [
        {"name": "a", "content": "whole"},
        {"name": "b", "size": 100},
        {"name": "c", "content": "never"}],
        "truncate_to": 857})");
    // 28 + 3 * 264 = 820; "a" ends at 825, and 32 bytes of "b" follow.
    ExpectOneErrorLine(Extract(package), "file ends inside the contents of entry 1 at offset 857");
    EXPECT_EQ(TreeContents(Path("out")), (Tree{{"a", "whole"}, {"b", Pattern(100, 2).substr(0, 32)}}));
}

TEST_F(DatpackExtract, NamesThatDoNotDecodeAreRefusedBeforeWriting)
{
    const fs::path package = MakePackage(R"({"entries": [{"name": "ok", "content": "1"}, {"name_hex": "61a2a0", "content": "2"}]})");
    ExpectOneErrorLine(Extract(package), "entry 1 (a\\xA2\\xA0) does not decode from code page 936");
    EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(DatpackExtract, NeverWritesOutsideTheTargetThroughLinks)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path& target, const fs::path& outside)> plant;
        const char* name;
        const char* fragment;
    };
    const Case cases[] = {
        {"link to an outside folder",
         [](const fs::path& t, const fs::path& o) { fs::create_directory_symlink(o, t / "sub"); }, "sub\\\\victim.txt",
         "sub/ exists and is a symbolic link or not a folder"},
        {"link deeper down",
         [](const fs::path& t, const fs::path& o) {
             fs::create_directories(t / "a");
             fs::create_directory_symlink(o, t / "a" / "b");
         },
         "a\\\\b\\\\victim.txt", "a/b/ exists and is a symbolic link or not a folder"},
        {"link to an outside file",
         [](const fs::path& t, const fs::path& o) { fs::create_symlink(o / "victim.txt", t / "victim.txt"); },
         "victim.txt", "victim.txt exists and is a symbolic link"},
        {"dangling link where the file goes",
         [](const fs::path& t, const fs::path& o) { fs::create_symlink(o / "new.txt", t / "new.txt"); }, "new.txt",
         "new.txt exists and is a symbolic link"},
        {"hard link to an outside file",
         [](const fs::path& t, const fs::path& o) { fs::create_hard_link(o / "victim.txt", t / "victim.txt"); },
         "victim.txt", "victim.txt exists and is not a plain file with a single link"},
        {"FIFO where the file goes", [](const fs::path& t, const fs::path&) { mkfifo((t / "pipe").c_str(), 0644); },
         "pipe", "cannot create pipe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = Path("target");
        const fs::path outside = Path("outside");
        WriteFile(outside / "victim.txt", "precious");
        fs::create_directories(target);
        c.plant(target, outside);
        const fs::path package = MakePackage(std::string(R"({"entries": [{"name": ")") + c.name +
                                             R"(", "content": "overwritten"}]})");
        ExpectOneErrorLine(Extract(package, "target"), std::string("entry 0: ") + c.fragment);
        EXPECT_EQ(TreeContents(outside), (Tree{{"victim.txt", "precious"}}));
        fs::remove_all(target);
        fs::remove_all(outside);
    }
}

TEST_F(DatpackExtract, FileWhereAFolderIsNeededFails)
{
    const fs::path package = MakePackage(R"({"entries": [{"name": "a", "content": "file"}, {"name": "a\\b", "content": "x"}]})");
    ExpectOneErrorLine(Extract(package), "entry 1: a/ exists and is a symbolic link or not a folder");
    EXPECT_EQ(TreeContents(Path("out")), (Tree{{"a", "file"}}));
}

TEST_F(DatpackExtract, TargetThatIsAFileIsRefused)
{
    WriteFile(Path("out"), "a file");
    const fs::path package = MakePackage(R"({"entries": [{"name": "a", "content": "x"}]})");
    ExpectOneErrorLine(Extract(package), "cannot create folder");
    EXPECT_EQ(ReadFile(Path("out")), "a file");
}

TEST_F(DatpackExtract, TargetThatIsALinkIsUsed)
{
    // The user named the target; only links below it are refused.
    fs::create_directories(Path("real"));
    fs::create_directory_symlink(Path("real"), Path("out"));
    const fs::path package = MakePackage(R"({"entries": [{"name": "a", "content": "x"}]})");
    ASSERT_EQ(Extract(package).exitCode, 0);
    EXPECT_EQ(TreeContents(Path("real")), (Tree{{"a", "x"}}));
}

} // namespace
