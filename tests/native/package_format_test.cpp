#include <gtest/gtest.h>

#include <limits>

#include "install/package_reader.h"
#include "install/package_writer.h"
#include "install/progress_scale.h"
#include "tests/support/package_bytes.h"

using namespace testpkg;

namespace {

struct ReadResult {
    bool ok = false;
    std::int32_t count = 0;
    std::vector<PackageEntry> entries;
    PackageProblem problem;
};

ReadResult ReadTable(const Bytes& bytes)
{
    CMemorySource source(bytes);
    CPackageReader reader(source, CodePage(936));
    ReadResult result;
    result.ok = reader.ReadHeader() && reader.ReadEntries(result.entries);
    result.count = reader.Count();
    result.problem = reader.Problem();
    return result;
}

// Reads every entry's contents in chunks, as the installer does.
std::vector<Bytes> ReadContents(CPackageReader& reader, const std::vector<PackageEntry>& entries, bool& ok)
{
    std::vector<Bytes> contents;
    Bytes buffer(kCopyChunkSize);
    ok = true;
    for (std::size_t i = 0; i < entries.size() && ok; ++i) {
        Bytes content;
        while (content.size() < entries[i].ContentBytes()) {
            const std::size_t want = NextChunkSize(entries[i].ContentBytes() - content.size());
            std::size_t got = 0;
            if (!reader.ReadContent(static_cast<std::int64_t>(i), buffer.data(), want, got)) {
                ok = false;
                break;
            }
            content.insert(content.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        }
        contents.push_back(content);
    }
    return contents;
}

TEST(PackageHeader, AcceptsOnlyVersionOneWithSignatureKX)
{
    struct Case {
        const char* what;
        Bytes bytes;
        bool ok;
        std::int32_t count;
    };
    const Bytes validStart = Header(0);
    const Case cases[] = {
        {"empty file", Bytes(), false, 0},
        {"five bytes", Bytes(validStart.begin(), validStart.begin() + 5), false, 0},
        {"six valid bytes read as count 0", Bytes(validStart.begin(), validStart.begin() + 6), true, 0},
        {"24 valid bytes read as count 0", Bytes(validStart.begin(), validStart.begin() + 24), true, 0},
        {"version 2", Header(0, 2), false, 0},
        {"version 0", Header(0, 0), false, 0},
        {"signature swapped", Header(0, 1, "XK"), false, 0},
        {"count 0", Header(0), true, 0},
        {"negative count means none", Header(-5), true, 0},
        {"smallest count", Header(std::numeric_limits<std::int32_t>::min()), true, 0},
    };
    for (const Case& c : cases) {
        const ReadResult result = ReadTable(c.bytes);
        EXPECT_EQ(result.ok, c.ok) << c.what;
        EXPECT_EQ(result.count, c.count) << c.what;
        if (!c.ok)
            EXPECT_EQ(result.problem.fault, PackageFault::BadHeader) << c.what;
    }
}

TEST(PackageHeader, EncodesLittleEndianWhateverTheHost)
{
    PackageHeader header;
    header.count = 0x01020304;
    unsigned char bytes[kHeaderSize];
    EncodeHeader(header, bytes);
    const Bytes expected = {1, 0, 0, 0, 'K', 'X'};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes));
    EXPECT_EQ(bytes[24], 0x04);
    EXPECT_EQ(bytes[27], 0x01);

    unsigned char entryBytes[kEntrySize] = {};
    PackageEntry entry;
    entry.size = -2;
    EncodeEntry(entry, entryBytes);
    EXPECT_EQ(entryBytes[0], 0xFE);
    EXPECT_EQ(entryBytes[3], 0xFF);
    EXPECT_EQ(DecodeEntry(entryBytes).size, -2);
}

TEST(PackageReader, ReadsEntriesAndContentsInTableOrder)
{
    // Sizes 10, 0 and 40000: the empty entry consumes no content bytes and
    // the last one spans two copy chunks. Trailing bytes are ignored.
    const Bytes bytes = Package({{"a.txt", Content(10, 1)}, {"empty", Bytes()}, {"dir\\big.bin", Content(40000, 3)}}) +
                        Bytes{0xDE, 0xAD};
    CMemorySource source(bytes);
    CPackageReader reader(source, CodePage(936));
    std::vector<PackageEntry> entries;
    ASSERT_TRUE(reader.ReadHeader());
    ASSERT_TRUE(reader.ReadEntries(entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].Name(), "dir\\big.bin");
    EXPECT_EQ(TotalContentBytes(entries), 40010u);

    bool ok = false;
    const std::vector<Bytes> contents = ReadContents(reader, entries, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(contents[0], Content(10, 1));
    EXPECT_TRUE(contents[1].empty());
    EXPECT_EQ(contents[2], Content(40000, 3));
    EXPECT_EQ(reader.Offset(), 28u + 3 * 264 + 40010);
}

TEST(PackageReader, NegativeSizeOwnsNoContentAndCountsNothing)
{
    const Bytes bytes = Header(2) + Entry(-7, "neg") + Entry(3, "b") + Bytes{9, 8, 7};
    CMemorySource source(bytes);
    CPackageReader reader(source, CodePage(936));
    std::vector<PackageEntry> entries;
    ASSERT_TRUE(reader.ReadHeader() && reader.ReadEntries(entries));
    EXPECT_EQ(TotalContentBytes(entries), 3u);
    bool ok = false;
    const std::vector<Bytes> contents = ReadContents(reader, entries, ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(contents[0].empty());
    EXPECT_EQ(contents[1], (Bytes{9, 8, 7}));
}

TEST(PackageReader, DuplicateNamesAreKeptInOrder)
{
    const ReadResult result = ReadTable(Package({{"same", Content(1, 1)}, {"same", Content(2, 2)}}));
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.entries[1].size, 2);
}

TEST(PackageReader, TruncatedTableIsRefusedWithItsPlace)
{
    const Bytes full = Header(3) + Entry(1, "a") + Entry(1, "b") + Entry(1, "c");
    const Bytes cut(full.begin(), full.begin() + 28 + 264 + 100);
    const ReadResult result = ReadTable(cut);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.problem.fault, PackageFault::TruncatedTable);
    EXPECT_EQ(result.problem.entryIndex, 1);
    EXPECT_EQ(result.problem.offset, 28u + 264 + 100);
}

TEST(PackageReader, ForgedHugeCountOnASmallFileIsATruncatedTable)
{
    const ReadResult result = ReadTable(Header(std::numeric_limits<std::int32_t>::max()) + Entry(0, "a"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.problem.fault, PackageFault::TruncatedTable);
    EXPECT_EQ(result.problem.entryIndex, 1);
}

TEST(PackageReader, BadNameIsRefusedBeforeAnyContentIsRead)
{
    const ReadResult result = ReadTable(Package({{"ok.txt", Content(4, 1)}, {"..\\evil.exe", Content(4, 2)}}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.problem.fault, PackageFault::BadName);
    EXPECT_EQ(result.problem.nameFault, NameFault::DotComponent);
    EXPECT_EQ(result.problem.entryIndex, 1);
    EXPECT_EQ(result.problem.offset, 28u + 264);
    EXPECT_NE(result.problem.Describe().find("entry 1"), std::string::npos);
}

TEST(PackageReader, ContentEndingEarlyIsTruncatedContent)
{
    // The package ends 5 bytes into an entry of 100 bytes.
    const Bytes bytes = Header(1) + Entry(100, "x") + Content(5, 1);
    CMemorySource source(bytes);
    CPackageReader reader(source, CodePage(936));
    std::vector<PackageEntry> entries;
    ASSERT_TRUE(reader.ReadHeader() && reader.ReadEntries(entries));
    Bytes buffer(kCopyChunkSize);
    std::size_t got = 0;
    ASSERT_TRUE(reader.ReadContent(0, buffer.data(), 100, got));
    EXPECT_EQ(got, 5u);
    EXPECT_FALSE(reader.ReadContent(0, buffer.data(), 95, got));
    EXPECT_EQ(reader.Problem().fault, PackageFault::TruncatedContent);
    EXPECT_EQ(reader.Problem().offset, 28u + 264 + 5);
}

TEST(PackageWriter, WritesTheBytesTheFormatDescribes)
{
    const std::vector<File> files = {{"ombrel.exe", Content(70000, 5)}, {"sub\\\xC4\xE3\xBA\xC3.txt", Content(3, 9)}};
    CMemorySink sink;
    CPackageWriter writer(sink);
    ASSERT_TRUE(writer.WriteHeader(static_cast<std::int32_t>(files.size())));
    for (const File& file : files) {
        PackageEntry entry;
        entry.size = static_cast<std::int32_t>(file.content.size());
        std::memcpy(entry.name, file.name.data(), file.name.size());
        ASSERT_TRUE(writer.WriteEntry(entry));
    }
    for (const File& file : files)
        ASSERT_TRUE(writer.WriteContent(file.content.data(), file.content.size()));

    Bytes expected = Package(files);
    // The writer leaves the reserved bytes zero; the hand-built header fills them.
    std::fill(expected.begin() + 6, expected.begin() + 24, 0);
    EXPECT_EQ(sink.Data(), expected);
}

TEST(EntryName, Rules)
{
    struct Case {
        std::string name;
        NameFault fault;
    };
    const Case cases[] = {
        {"ombrel.exe", NameFault::None},
        {"a\\b\\c.txt", NameFault::None},
        {"..foo", NameFault::None},
        {"foo..", NameFault::None},
        {"cone\\file", NameFault::None},
        {"con.d\\file", NameFault::DeviceName},
        {"COM0", NameFault::None},
        {"\xC4\xE3\xBA\xC3\\\xCA\xC0\xBD\xE7.txt", NameFault::None}, // GBK folder and file
        {"\x81\x5C" "file", NameFault::None},                       // trail byte 0x5C is no separator
        {"x\\\x81\x7C", NameFault::None},                           // nor is trail byte '|'
        {"", NameFault::Empty},
        {"\\abs", NameFault::Absolute},
        {"\\\\server\\share\\f", NameFault::Absolute},
        {"/etc/passwd", NameFault::Absolute},
        {"C:\\x", NameFault::DriveOrStream},
        {"c:x", NameFault::DriveOrStream},
        {"file.txt:stream", NameFault::DriveOrStream},
        {"a/b", NameFault::Slash},
        {"..", NameFault::DotComponent},
        {"..\\x", NameFault::DotComponent},
        {"a\\..\\..\\x", NameFault::DotComponent},
        {"a\\.\\x", NameFault::DotComponent},
        {"a\\. .\\x", NameFault::DotComponent},
        {"a\\...", NameFault::DotComponent},
        {"a\\\\b", NameFault::EmptyComponent},
        {"dir\\", NameFault::EmptyComponent},
        {"tab\there", NameFault::ControlCharacter},
        {"del\x7f", NameFault::ControlCharacter},
        {"what?", NameFault::ReservedCharacter},
        {"a|b", NameFault::ReservedCharacter},
        {"a*", NameFault::ReservedCharacter},
        {"NUL", NameFault::DeviceName},
        {"sub\\con.txt", NameFault::DeviceName},
        {"lpt1", NameFault::DeviceName},
        {"Com9 .log", NameFault::DeviceName},
        {"trail\x81", NameFault::BadDoubleByte},
        {"\x81/..\\x", NameFault::BadDoubleByte}, // a lead byte must not swallow a '/'
        {std::string(259, 'n'), NameFault::None},
    };
    const CodePage gbk(936);
    for (const Case& c : cases)
        EXPECT_EQ(CheckEntryName(c.name, gbk), c.fault) << '"' << c.name << "\": " << DescribeNameFault(c.fault);
}

TEST(EntryName, FieldWithoutTerminatorIsRefused)
{
    PackageEntry entry;
    std::memset(entry.name, 'a', sizeof entry.name);
    EXPECT_EQ(CheckEntryName(entry, CodePage(936)), NameFault::NoTerminator);
    entry.name[259] = 0;
    EXPECT_EQ(CheckEntryName(entry, CodePage(936)), NameFault::None);
}

TEST(EntryName, SingleByteCodePageSplitsAtEveryBackslash)
{
    // Under code page 1252 the byte 0x81 is a character of its own, so the
    // backslash after it separates a ".." component.
    EXPECT_EQ(CheckEntryName(std::string("\x81\\..\\x"), CodePage(1252)), NameFault::DotComponent);
    EXPECT_EQ(CheckEntryName(std::string("\x81\\..\\x"), CodePage(936)), NameFault::None);
}

TEST(ProgressScale, ExactBelowTwoGigabytesScaledAbove)
{
    const CProgressScale small(40010);
    EXPECT_EQ(small.Range(), 40010);
    EXPECT_EQ(small.Position(10), 10);
    EXPECT_EQ(small.Position(30730), 30730);

    const CProgressScale empty(0);
    EXPECT_EQ(empty.Range(), 0);
    EXPECT_EQ(empty.Position(0), 0);

    const std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(CProgressScale(limit).Range(), std::numeric_limits<std::int32_t>::max());

    for (const std::uint64_t total : {limit + 1, 3 * limit, 255 * limit + 17}) {
        const CProgressScale big(total);
        EXPECT_GT(big.Range(), std::numeric_limits<std::int32_t>::max() / 2) << total;
        EXPECT_EQ(big.Position(0), 0);
        EXPECT_EQ(big.Position(total), big.Range());
        EXPECT_LE(big.Position(total / 2), big.Position(total / 2 + 30720));
    }
}

} // namespace
