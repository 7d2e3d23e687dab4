#include "datpack_fixture.h"

#include <csignal>
#include <sys/stat.h>

#include "common/byte_stream.h"
#include "tools/datpack/os.h"
#include "tools/datpack/pack.h"

using namespace dptest;

namespace {

class DatpackCreate : public DatpackTest {
protected:
    // Nested folders, GBK names, an empty file, a file over several copy
    // chunks and an empty folder (which a package cannot hold).
    void MakeTree(const fs::path& tree)
    {
        WriteFile(tree / "ombrel.exe", Pattern(100000, 1));
        WriteFile(tree / "empty.txt", "");
        WriteFile(tree / fs::u8path("你好/世界.txt"), "hello");
        WriteFile(tree / fs::u8path("你好/a/b/deep.bin"), Pattern(30721, 2));
        WriteFile(tree / "a.txt", "top");
        fs::create_directories(tree / fs::u8path("空"));
    }

    RunResult Create(const fs::path& tree, const fs::path& package, const std::string& codePage = "936")
    {
        return Datpack({"create", tree.string(), "-o", package.string(), "--codepage", codePage});
    }
};

TEST_F(DatpackCreate, MatchesTheIndependentWriterByteForByte)
{
    MakeTree(Path("tree"));
    const RunResult result = Create(Path("tree"), Path("out.dat"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, Path("out.dat").string() + ": 5 entries, 130729 content bytes\n");

    const std::string package = ReadFile(Path("out.dat"));
    EXPECT_EQ(package, ReadFile(MakeTreePackage(Path("tree"), "oracle.dat")));
    EXPECT_EQ(package.substr(6, 18), std::string(18, '\0')) << "reserved header bytes";

    // Sorted by stored bytes: '.' < '\\' < 'o' < the GBK lead byte of 你.
    const RunResult list = Datpack({"list", Path("out.dat").string()});
    EXPECT_EQ(list.out, "          3  a.txt\n"
                        "          0  empty.txt\n"
                        "     100000  ombrel.exe\n"
                        "      30721  你好\\a\\b\\deep.bin\n"
                        "          5  你好\\世界.txt\n");
}

TEST_F(DatpackCreate, SameTreeGivesSameBytesWhateverTheCreationOrder)
{
    const std::vector<std::string> names = {"b/2.txt", "a.txt", "b.txt", "b/1.txt", "a b.txt"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        WriteFile(Path("first/" + names[i]), names[i]);
        WriteFile(Path("second/" + names[names.size() - 1 - i]), names[names.size() - 1 - i]);
    }
    ASSERT_EQ(Create(Path("first"), Path("1.dat")).exitCode, 0);
    ASSERT_EQ(Create(Path("second"), Path("2.dat")).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("1.dat")), ReadFile(Path("2.dat")));
}

TEST_F(DatpackCreate, OtherCodePageMatchesTheIndependentWriter)
{
    WriteFile(Path("tree/caf\xC3\xA9/men\xC3\xBC.txt"), "x");
    ASSERT_EQ(Create(Path("tree"), Path("out.dat"), "1252").exitCode, 0);
    const std::string package = ReadFile(Path("out.dat"));
    EXPECT_EQ(package, ReadFile(MakeTreePackage(Path("tree"), "oracle.dat", 1252)));
    EXPECT_NE(package.find("caf\xE9\\men\xFC.txt"), std::string::npos);
}

TEST_F(DatpackCreate, EmptyTreeGivesAnEmptyPackage)
{
    fs::create_directories(Path("tree/only/folders"));
    ASSERT_EQ(Create(Path("tree"), Path("out.dat")).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("out.dat")), std::string("\1\0\0\0KX", 6) + std::string(22, '\0'));
}

TEST_F(DatpackCreate, NameLengthLimitIsCountedInCodePageBytes)
{
    // 120 + 1 + 120 + 1 + 11 + 6 = 259 bytes in GBK (262 in UTF-8); one more character makes 261.
    const std::string folders = std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
    const std::string file = std::string(11, 'f') + "你好世";
    WriteFile(Path("fits/" + folders + file), "x");
    const RunResult fits = Create(Path("fits"), Path("fits.dat"));
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
    WriteFile(Path("long/" + folders + file + "界"), "x");
    ExpectOneErrorLine(Create(Path("long"), Path("long.dat")), "name is 261 bytes in code page 936, more than 259");
    EXPECT_FALSE(fs::exists(Path("long.dat")));
}

TEST_F(DatpackCreate, RefusesTreesItCannotPackFaithfully)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path& tree)> make;
        const char* fragment;
    };
    const Case cases[] = {
        {"name outside GBK", [](const fs::path& t) { WriteFile(t / fs::u8path("smile\xF0\x9F\x98\x80.txt"), ""); },
         "cannot be stored exactly in code page 936"},
        {"backslash in a file name", [](const fs::path& t) { WriteFile(t / "a\\b.txt", ""); }, "backslash"},
        {"device name", [](const fs::path& t) { WriteFile(t / "sub/CON.txt", ""); }, "reserved device name"},
        {"reserved character", [](const fs::path& t) { WriteFile(t / "what?.txt", ""); }, "< > \" | ? *"},
        {"colon", [](const fs::path& t) { WriteFile(t / "a:b", ""); }, "colon"},
        {"control character", [](const fs::path& t) { WriteFile(t / "tab\there", ""); }, "control character"},
        {"trailing dots", [](const fs::path& t) { WriteFile(t / "..." / "x", ""); }, "'.' or '..'"},
        {"FIFO", [](const fs::path& t) { fs::create_directories(t); mkfifo((t / "pipe").c_str(), 0644); },
         "not a regular file"},
        {"dangling link", [](const fs::path& t) { fs::create_directories(t); fs::create_symlink("nowhere", t / "l"); },
         "does not lead to a regular file"},
        {"link to a folder",
         [](const fs::path& t) { fs::create_directories(t / "real"); fs::create_directory_symlink("real", t / "l"); },
         "link to a folder"},
        {"file of 2 GiB",
         [](const fs::path& t) {
             WriteFile(t / "huge.bin", "");
             fs::resize_file(t / "huge.bin", std::uintmax_t(1) << 31); // sparse: no disk space used
         },
         "is 2147483648 bytes; a package entry holds at most 2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path tree = Path("tree");
        WriteFile(tree / "good.txt", "fine");
        c.make(tree);
        // A package from an earlier run stays as it was.
        WriteFile(Path("out.dat"), "old package");
        ExpectOneErrorLine(Create(tree, Path("out.dat")), c.fragment);
        EXPECT_EQ(ReadFile(Path("out.dat")), "old package");
        EXPECT_FALSE(fs::exists(Path("out.dat.datpack-partial")));
        fs::remove_all(tree);
    }
}

TEST_F(DatpackCreate, LinksToFilesArePackedUnderTheLinkName)
{
    WriteFile(Path("outside.txt"), "linked contents");
    WriteFile(Path("tree/a.txt"), "a");
    fs::create_symlink(Path("outside.txt"), Path("tree/link.txt"));
    ASSERT_EQ(Create(Path("tree"), Path("out.dat")).exitCode, 0);
    ASSERT_EQ(Datpack({"extract", Path("out.dat").string(), Path("x").string()}).exitCode, 0);
    EXPECT_EQ(TreeContents(Path("x")), (std::map<std::string, std::string>{{"a.txt", "a"}, {"link.txt", "linked contents"}}));
}

TEST_F(DatpackCreate, PackageInsideTheTreeIsNotPackedIntoItself)
{
    WriteFile(Path("tree/a.txt"), "a");
    const fs::path package = Path("tree/data.dat");
    ASSERT_EQ(Create(Path("tree"), package).exitCode, 0);
    const std::string first = ReadFile(package);
    // The second run finds the first package and a stale partial file from an interrupted run.
    WriteFile(Path("tree/data.dat.datpack-partial"), "stale");
    ASSERT_EQ(Create(Path("tree"), package).exitCode, 0);
    EXPECT_EQ(ReadFile(package), first);
    EXPECT_EQ(Datpack({"list", package.string()}).out, "          1  a.txt\n");
    // Reached through another spelling of the same path, it is still skipped.
    ASSERT_EQ(Create(Path("tree/../tree"), Path("tree/./data.dat")).exitCode, 0);
    EXPECT_EQ(ReadFile(package), first);
}

TEST_F(DatpackCreate, OutputThatCannotBeCreatedLeavesNothing)
{
    WriteFile(Path("tree/a.txt"), "a");
    ExpectOneErrorLine(Create(Path("tree"), Path("missing/out.dat")), "cannot create");
    EXPECT_FALSE(fs::exists(Path("missing")));
    ExpectOneErrorLine(Create(Path("tree"), Path("tree")), "is a folder");
}

class CountingSink final : public IByteSink {
public:
    bool Write(const void*, std::size_t size) override
    {
        bytes += size;
        return true;
    }
    std::uint64_t bytes = 0;
};

TEST_F(DatpackCreate, FileThatChangesSizeAfterTheScanFailsThePackage)
{
    std::string error;
    const auto converter = OpenCodePageText(936, error);
    const CodePage page(936);
    for (const std::size_t newSize : {std::size_t(10), std::size_t(100000)}) {
        SCOPED_TRACE(newSize);
        WriteFile(Path("tree/grows.bin"), Pattern(50000, 1));
        std::vector<PackSource> files;
        ASSERT_TRUE(ScanTree(Path("tree"), {}, *converter, page, files, error)) << error;
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].size, 50000u);

        WriteFile(Path("tree/grows.bin"), Pattern(newSize, 1));
        CountingSink sink;
        EXPECT_FALSE(WritePackage(files, sink, [](std::uint64_t) {}, error));
        EXPECT_NE(error.find(newSize < 50000 ? "shrank" : "grew"), std::string::npos) << error;
    }
}

TEST_F(DatpackCreate, InterruptStopsPackingThroughTheFailurePath)
{
    WriteFile(Path("tree/a.bin"), Pattern(100000, 1));
    std::string error;
    const auto converter = OpenCodePageText(936, error);
    std::vector<PackSource> files;
    ASSERT_TRUE(ScanTree(Path("tree"), {}, *converter, CodePage(936), files, error)) << error;

    WatchForInterrupt();
    std::raise(SIGINT);
    CountingSink sink;
    const bool written = WritePackage(files, sink, [](std::uint64_t) {}, error);
    StopWatchingForInterrupt();
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "interrupted");
}

} // namespace
