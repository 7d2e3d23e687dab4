#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "common/product.h"
#include "install/installer.h"
#include "windows_test_support.h"

using namespace wintest;
using testpkg::Content;
using testpkg::Entry;
using testpkg::Header;
using testpkg::Package;
using testpkg::operator+;

namespace {

// Puts data.dat beside the test executable (where the installer looks for
// it) and a fresh target directory under a per-test folder.
class InstallerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_work = ExeFolder() + "inst-" + testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        std::filesystem::remove_all(m_work);
        g_strInstallDir = m_work + "target\\";
        m_target = g_strInstallDir;
    }
    void TearDown() override
    {
        DeleteFileA(PackagePath().c_str());
        std::filesystem::remove_all(m_work);
        g_strInstallDir.clear();
    }

    static std::string PackagePath() { return ExeFolder() + kPackageFileName; }
    void WritePackage(const Bytes& bytes) { ASSERT_TRUE(WriteBytes(PackagePath(), bytes)); }

    int Install()
    {
        m_result = m_installer.InstallFiles();
        return m_result;
    }

    CRecordingHost m_host;
    CPackageInstaller m_installer{m_host};
    std::string m_work;
    std::string m_target;
    int m_result = -1;
};

TEST_F(InstallerTest, WritesFilesLogAndProgressInBytes)
{
    const Bytes small = Content(10, 1);
    const Bytes big = Content(40000, 2);
    WritePackage(Package({{"a.txt", small}, {"empty.txt", {}}, {"big.bin", big}}));

    ASSERT_EQ(Install(), INSTALL_OK);
    EXPECT_EQ(m_installer.InstallState(), INSTALL_SUCCEEDED);
    EXPECT_EQ(m_host.ranges, std::vector<std::int32_t>({40010}));
    EXPECT_EQ(m_host.positions, std::vector<std::int32_t>({10, 30730, 40010}));
    EXPECT_EQ(m_host.statusTexts,
              std::vector<std::string>({m_target + "a.txt", m_target + "empty.txt", m_target + "big.bin"}));
    EXPECT_TRUE(m_host.messages.empty());

    EXPECT_EQ(ReadBytes(m_target + "a.txt"), small);
    EXPECT_TRUE(Exists(m_target + "empty.txt"));
    EXPECT_TRUE(ReadBytes(m_target + "empty.txt").empty());
    EXPECT_EQ(ReadBytes(m_target + "big.bin"), big);
    EXPECT_EQ(ReadText(m_target + "install.log"), "[FILE] a.txt\r\n[FILE] empty.txt\r\n[FILE] big.bin\r\n");
    EXPECT_TRUE(m_installer.Entries().empty());
}

TEST_F(InstallerTest, NestedNamesCreateTheirFolders)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs the code page 936 locale";
    // A GBK folder name whose second byte is 0x5C, and a GBK file name.
    const std::string gbkFolder = "\x81\x5C";
    const std::string gbkFile = "\xC4\xE3\xBA\xC3.txt";
    const std::string deep = "a\\b\\c.txt";
    const std::string wide = gbkFolder + "\\" + gbkFile;
    WritePackage(Package({{deep, Content(3, 1)}, {wide, Content(4, 2)}}));

    ASSERT_EQ(Install(), INSTALL_OK);
    EXPECT_TRUE(IsDirectory(m_target + "a\\b"));
    EXPECT_EQ(ReadBytes(m_target + deep), Content(3, 1));
    EXPECT_TRUE(IsDirectory(m_target + gbkFolder));
    EXPECT_EQ(ReadBytes(m_target + wide), Content(4, 2));
    EXPECT_EQ(ReadText(m_target + "install.log"), "[FILE] " + deep + "\r\n[FILE] " + wide + "\r\n");
}

TEST_F(InstallerTest, DuplicateNamesLastOneWinsBothAreLogged)
{
    WritePackage(Package({{"same.txt", Content(5, 1)}, {"same.txt", Content(2, 9)}}));
    ASSERT_EQ(Install(), INSTALL_OK);
    EXPECT_EQ(ReadBytes(m_target + "same.txt"), Content(2, 9));
    EXPECT_EQ(ReadText(m_target + "install.log"), "[FILE] same.txt\r\n[FILE] same.txt\r\n");
}

TEST_F(InstallerTest, EmptyPackagesSucceedWithAnEmptyLog)
{
    const Bytes headerOnly = Header(0);
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"count 0", headerOnly},
        {"negative count", Header(-3)},
        {"six bytes of header", Bytes(headerOnly.begin(), headerOnly.begin() + 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_work);
        m_host = CRecordingHost();
        WritePackage(c.bytes);
        ASSERT_EQ(Install(), INSTALL_OK);
        EXPECT_EQ(m_installer.InstallState(), INSTALL_SUCCEEDED);
        EXPECT_EQ(m_host.ranges, std::vector<std::int32_t>({0}));
        EXPECT_TRUE(m_host.positions.empty());
        EXPECT_TRUE(Exists(m_target + "install.log"));
        EXPECT_TRUE(ReadBytes(m_target + "install.log").empty());
    }
}

TEST_F(InstallerTest, RefusedPackagesWriteNothing)
{
    const Bytes valid = Package({{"a.txt", Content(3, 1)}});
    const Bytes table = Header(2) + Entry(1, "a") + Entry(1, "b");
    const struct {
        const char* what;
        bool writePackage;
        Bytes bytes;
        int result;
    } cases[] = {
        {"no data.dat", false, {}, INSTALL_E_NO_PACKAGE},
        {"empty file", true, {}, INSTALL_E_FORMAT},
        {"five bytes", true, Bytes(valid.begin(), valid.begin() + 5), INSTALL_E_FORMAT},
        {"version 2", true, Header(0, 2), INSTALL_E_FORMAT},
        {"signature swapped", true, Header(0, 1, "XK"), INSTALL_E_FORMAT},
        {"table cut short", true, Bytes(table.begin(), table.end() - 10), INSTALL_E_FORMAT},
        {"parent component", true, Package({{"ok.txt", Content(1, 1)}, {"..\\..\\evil.txt", Content(1, 1)}}),
         INSTALL_E_FORMAT},
        {"absolute name", true, Package({{"C:\\evil.txt", Content(1, 1)}}), INSTALL_E_FORMAT},
        {"UNC name", true, Package({{"\\\\host\\share\\evil.txt", Content(1, 1)}}), INSTALL_E_FORMAT},
        {"name without terminator", true, Header(1) + Entry(1, std::string(260, 'n')) + Content(1, 1),
         INSTALL_E_FORMAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_host = CRecordingHost();
        DeleteFileA(PackagePath().c_str());
        if (c.writePackage)
            WritePackage(c.bytes);
        EXPECT_EQ(Install(), c.result);
        EXPECT_EQ(m_installer.InstallState(), INSTALL_RUNNING);
        EXPECT_EQ(m_host.messages, std::vector<std::string>({kFormatMessage}));
        EXPECT_TRUE(m_host.ranges.empty());
        EXPECT_FALSE(Exists(m_work)) << "nothing may be created for a refused package";
        EXPECT_FALSE(Exists(ExeFolder() + "..\\evil.txt"));
    }
}

TEST_F(InstallerTest, PackageEndingInsideAnEntryKeepsWhatWasWritten)
{
    WritePackage(Header(2) + Entry(3, "first.txt") + Entry(100, "cut.bin") + Content(3, 1) + Content(5, 2));
    EXPECT_EQ(Install(), INSTALL_E_TRUNCATED);
    EXPECT_EQ(m_installer.InstallState(), INSTALL_RUNNING);
    EXPECT_EQ(m_host.messages, std::vector<std::string>({kFormatMessage}));
    EXPECT_EQ(ReadBytes(m_target + "first.txt"), Content(3, 1));
    EXPECT_EQ(ReadBytes(m_target + "cut.bin"), Content(5, 2));
    EXPECT_EQ(ReadText(m_target + "install.log"), "[FILE] first.txt\r\n[FILE] cut.bin\r\n");
    EXPECT_EQ(m_host.positions, std::vector<std::int32_t>({3, 8}));
}

TEST_F(InstallerTest, TargetHeldOpenWithoutSharingFailsAndEarlierFilesStay)
{
    WritePackage(Package({{"first.txt", Content(4, 1)}, {"busy.exe", Content(6, 2)}, {"third.txt", Content(1, 3)}}));
    std::filesystem::create_directories(m_target);
    ASSERT_TRUE(WriteBytes(m_target + "busy.exe", Bytes{1, 2, 3}));
    const HANDLE busy = CreateFileA((m_target + "busy.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    const int result = Install();
    CloseHandle(busy);

    EXPECT_EQ(result, INSTALL_E_CREATE);
    EXPECT_EQ(m_host.messages, std::vector<std::string>({kTargetCreateMessage}));
    EXPECT_EQ(ReadBytes(m_target + "first.txt"), Content(4, 1));
    EXPECT_EQ(ReadBytes(m_target + "busy.exe"), (Bytes{1, 2, 3}));
    EXPECT_FALSE(Exists(m_target + "third.txt"));
    EXPECT_EQ(ReadText(m_target + "install.log"), "[FILE] first.txt\r\n[FILE] busy.exe\r\n");
}

TEST_F(InstallerTest, ReadOnlyTargetFailsWithTheTargetMessage)
{
    WritePackage(Package({{"first.txt", Content(4, 1)}, {"locked.txt", Content(6, 2)}}));
    std::filesystem::create_directories(m_target);
    const std::string locked = m_target + "locked.txt";
    ASSERT_TRUE(WriteBytes(locked, Bytes{7}));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    // Wine keeps the attribute as Unix permissions, which do not bind root.
    const HANDLE probe = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "read-only files are writable here (running as root)";
    }

    EXPECT_EQ(Install(), INSTALL_E_CREATE);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(m_host.messages, std::vector<std::string>({kTargetCreateMessage}));
    EXPECT_EQ(ReadBytes(m_target + "first.txt"), Content(4, 1));
    EXPECT_EQ(ReadBytes(locked), Bytes{7});
}

TEST_F(InstallerTest, MissingDriveFailsAtTheLogAndWritesNothing)
{
    WritePackage(Package({{"a.txt", Content(4, 1)}}));
    g_strInstallDir = "Q:\\Ombrel\\";
    EXPECT_EQ(Install(), INSTALL_E_CREATE);
    EXPECT_EQ(m_host.messages, std::vector<std::string>({kLogCreateMessage}));
    EXPECT_EQ(m_host.ranges, std::vector<std::int32_t>({4}));
    EXPECT_TRUE(m_host.statusTexts.empty());
    EXPECT_TRUE(m_host.positions.empty());
    EXPECT_FALSE(Exists("Q:\\Ombrel"));
}

// The test runner mounts a small file system (a few hundred KiB) at
// C:\small-disk\ where it can; elsewhere this test is skipped.
TEST_F(InstallerTest, DiskFullWhileWritingFailsWithTheTargetMessage)
{
    const std::string smallDisk = "C:\\small-disk\\";
    ULARGE_INTEGER freeBytes;
    if (!IsDirectory(smallDisk) || !GetDiskFreeSpaceExA(smallDisk.c_str(), &freeBytes, nullptr, nullptr) ||
        freeBytes.QuadPart > 4u * 1024 * 1024)
        GTEST_SKIP() << "no small disk at " << smallDisk;

    WritePackage(Package({{"first.txt", Content(10, 1)}, {"huge.bin", Content(8 * 1024 * 1024, 2)}}));
    g_strInstallDir = smallDisk + "target\\";
    const int result = Install();
    const std::string log = ReadText(g_strInstallDir + "install.log");
    const Bytes first = ReadBytes(g_strInstallDir + "first.txt");
    std::filesystem::remove_all(g_strInstallDir);

    EXPECT_EQ(result, INSTALL_E_CREATE);
    EXPECT_EQ(m_installer.InstallState(), INSTALL_RUNNING);
    EXPECT_EQ(m_host.messages, std::vector<std::string>({kTargetCreateMessage}));
    EXPECT_EQ(first, Content(10, 1));
    EXPECT_EQ(log, "[FILE] first.txt\r\n[FILE] huge.bin\r\n");
}

// Builds data.dat as a sparse file: header and table, then `contentBytes` of
// zeros that take no disk space.
bool WriteSparsePackage(const std::string& path, const Bytes& headerAndTable, std::uint64_t contentBytes)
{
    if (!WriteBytes(path, headerAndTable))
        return false;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(headerAndTable.size() + contentBytes);
    const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

std::uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST_F(InstallerTest, ContentsOfTwoGigabytesOrMoreInstallAndTheBarReachesItsEnd)
{
    const std::int32_t largest = std::numeric_limits<std::int32_t>::max();
    const std::uint64_t total = static_cast<std::uint64_t>(largest) + 100;
    ASSERT_TRUE(WriteSparsePackage(PackagePath(), Header(2) + Entry(largest, "big.bin") + Entry(100, "tail.bin"), total));

    const int result = Install();
    const std::uint64_t bigSize = FileSize(m_target + "big.bin");
    const std::uint64_t tailSize = FileSize(m_target + "tail.bin");
    std::filesystem::remove_all(m_work); // two gigabytes: do not keep them until TearDown

    ASSERT_EQ(result, INSTALL_OK);
    EXPECT_EQ(bigSize, static_cast<std::uint64_t>(largest));
    EXPECT_EQ(tailSize, 100u);
    ASSERT_EQ(m_host.ranges.size(), 1u);
    EXPECT_GT(m_host.ranges[0], largest / 4);
    ASSERT_FALSE(m_host.positions.empty());
    EXPECT_TRUE(std::is_sorted(m_host.positions.begin(), m_host.positions.end()));
    EXPECT_GE(m_host.positions.front(), 0);
    EXPECT_EQ(m_host.positions.back(), m_host.ranges[0]);
}

TEST_F(InstallerTest, FreeEntriesAfterAFailureAndRepeatedIsSafe)
{
    WritePackage(Header(1) + Entry(50, "short.bin") + Content(1, 1));
    EXPECT_EQ(Install(), INSTALL_E_TRUNCATED);
    EXPECT_EQ(m_installer.Entries().size(), 1u); // kept for the page to release
    m_installer.FreeEntries();
    m_installer.FreeEntries();
    EXPECT_TRUE(m_installer.Entries().empty());
}

} // namespace
