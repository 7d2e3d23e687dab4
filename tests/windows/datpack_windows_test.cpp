#include <gtest/gtest.h>

#include "common/product.h"
#include "install/installer.h"
#include "install/package_reader.h"
#include "platform/file.h"
#include "tools/datpack/extract.h"
#include "tools/datpack/inspect.h"
#include "tools/datpack/pack.h"
#include "windows_test_support.h"

using namespace wintest;
namespace fs = std::filesystem;

namespace {

// The Windows build of datpack on real Windows names (UTF-16), and its
// package installed by the installer: the maker's and the user's ends meet.
class DatpackWindowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 936)
            GTEST_SKIP() << "needs the code page 936 locale";
        m_work = fs::path(ExeFolder()) / L"datpack-work";
        fs::remove_all(m_work);
        m_tree = m_work / L"tree";
        fs::create_directories(m_tree / L"子目录");
        WriteWide(m_tree / L"ombrel.exe", "MZ product");
        WriteWide(m_tree / L"子目录" / L"说明.txt", "readme");
        WriteWide(m_tree / L"empty.cfg", "");
        m_package = m_work / L"data.dat";
    }
    void TearDown() override
    {
        fs::remove_all(m_work);
        DeleteFileA((ExeFolder() + kPackageFileName).c_str());
        g_strInstallDir.clear();
    }

    static void WriteWide(const fs::path& path, const std::string& text)
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::Mode::CreateWrite));
        ASSERT_TRUE(file.Write(text.data(), text.size()));
    }

    static Options Command(Command command, const fs::path& source, const fs::path& destination = {})
    {
        Options options;
        options.command = command;
        options.source = source;
        options.destination = destination;
        return options;
    }

    fs::path m_work;
    fs::path m_tree;
    fs::path m_package;
};

TEST_F(DatpackWindowsTest, PacksUnicodeNamesAsGbkAndTheInstallerRecreatesThem)
{
    ASSERT_EQ(RunCreate(Command(Command::Create, m_tree, m_package)), kExitOk);
    ASSERT_EQ(RunVerify(Command(Command::Verify, m_package)), kExitOk);

    // Names are stored sorted, with backslashes, in GBK.
    CFile package;
    ASSERT_TRUE(package.Open(m_package, CFile::Mode::Read));
    CPackageReader reader(package, CodePage(936));
    std::vector<PackageEntry> entries;
    ASSERT_TRUE(reader.ReadHeader() && reader.ReadEntries(entries));
    package.Close();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Name(), "empty.cfg");
    EXPECT_EQ(entries[1].Name(), "ombrel.exe");
    EXPECT_EQ(entries[2].Name(), "\xD7\xD3\xC4\xBF\xC2\xBC\\\xCB\xB5\xC3\xF7.txt"); // 子目录\说明.txt

    const fs::path extracted = m_work / L"extracted";
    ASSERT_EQ(RunExtract(Command(Command::Extract, m_package, extracted)), kExitOk);
    EXPECT_TRUE(fs::exists(extracted / L"子目录" / L"说明.txt"));
    EXPECT_EQ(fs::file_size(extracted / L"ombrel.exe"), 10u);

    ASSERT_TRUE(CopyFileW(m_package.c_str(), fs::path(ExeFolder() + kPackageFileName).c_str(), FALSE));
    g_strInstallDir = ExeFolder() + "datpack-work\\installed\\";
    CRecordingHost host;
    CPackageInstaller installer(host);
    ASSERT_EQ(installer.InstallFiles(), INSTALL_OK);
    EXPECT_EQ(ReadText(g_strInstallDir + "\xD7\xD3\xC4\xBF\xC2\xBC\\\xCB\xB5\xC3\xF7.txt"), "readme");
    EXPECT_EQ(ReadText(g_strInstallDir + "ombrel.exe"), "MZ product");
    EXPECT_TRUE(Exists(g_strInstallDir + "empty.cfg"));
}

TEST_F(DatpackWindowsTest, RefusesNamesWithoutAnExactGbkForm)
{
    // Thai has no GBK form; a lossy conversion would install another name.
    WriteWide(m_tree / L"\u0E01.txt", "x");
    EXPECT_EQ(RunCreate(Command(Command::Create, m_tree, m_package)), kExitFailure);
    EXPECT_FALSE(fs::exists(m_package));
}

TEST_F(DatpackWindowsTest, ExtractRefusesAnUnsafePackageAndWritesNothing)
{
    ASSERT_TRUE(WriteBytes(m_package.string(),
                           testpkg::Package({{"ok.txt", testpkg::Content(2, 1)}, {"..\\evil.txt", testpkg::Content(2, 2)}})));
    const fs::path extracted = m_work / L"extracted";
    EXPECT_EQ(RunExtract(Command(Command::Extract, m_package, extracted)), kExitFailure);
    EXPECT_FALSE(fs::exists(extracted / L"ok.txt"));
    EXPECT_FALSE(fs::exists(m_work / L"evil.txt"));
}

} // namespace
