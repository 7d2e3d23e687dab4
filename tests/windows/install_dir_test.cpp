#include <gtest/gtest.h>

#include "windows_test_support.h"

using namespace wintest;

namespace {

class InstallDirTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = ExeFolder() + "dirs-" + testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        std::filesystem::remove_all(m_root);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    std::string m_root;
};

TEST_F(InstallDirTest, GetInstallerDirIsTheExecutablesFolderAndBecomesCurrent)
{
    SetCurrentDirectoryA("C:\\");
    const std::string folder = GetInstallerDir();
    EXPECT_EQ(folder, ExeFolder());
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(std::string(current) + "\\", folder);
}

TEST_F(InstallDirTest, CreatesEveryLevelButNotTheFileName)
{
    EXPECT_EQ(CreateDirectoryChain(m_root + "a\\b\\c.txt"), 0);
    EXPECT_TRUE(IsDirectory(m_root));
    EXPECT_TRUE(IsDirectory(m_root + "a"));
    EXPECT_TRUE(IsDirectory(m_root + "a\\b"));
    EXPECT_FALSE(Exists(m_root + "a\\b\\c.txt"));

    // Existing levels are passed over silently.
    EXPECT_EQ(CreateDirectoryChain(m_root + "a\\b\\d\\"), 0);
    EXPECT_TRUE(IsDirectory(m_root + "a\\b\\d"));
}

TEST_F(InstallDirTest, TrailByteBackslashOfADoubleByteNameIsNoSeparator)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs the code page 936 locale";
    // 0x81 0x5C is one GBK character; split at 0x5C it would make a folder "\x81".
    const std::string folder = m_root + "x\x81\x5C";
    CreateDirectoryChain(folder + "\\file.txt");
    EXPECT_TRUE(IsDirectory(folder));
    EXPECT_FALSE(Exists(m_root + "x\x81"));
}

TEST_F(InstallDirTest, DriveRootAndShortPathsCreateNothing)
{
    EXPECT_EQ(CreateDirectoryChain("C:\\"), 0);
    EXPECT_EQ(CreateDirectoryChain("C:"), 0);
    EXPECT_EQ(CreateDirectoryChain(""), 0);
    EXPECT_EQ(CreateDirectoryChain("Q:\\no\\such\\drive\\"), 0);
    EXPECT_FALSE(Exists("Q:\\no"));
}

TEST_F(InstallDirTest, FolderMakerAsksOnlyWhereAPathLeavesThePreviousOne)
{
    CFolderMaker folders;
    folders.CreateFor(m_root + "a\\b\\1.txt");
    EXPECT_TRUE(IsDirectory(m_root + "a\\b"));
    // A level the previous path passed is not asked for again: removed
    // behind the maker's back, it stays away until a path returns to it.
    ASSERT_TRUE(RemoveDirectoryA((m_root + "a\\b").c_str()));
    folders.CreateFor(m_root + "a\\b\\2.txt");
    EXPECT_FALSE(Exists(m_root + "a\\b"));
    folders.CreateFor(m_root + "a\\c\\d\\3.txt");
    EXPECT_TRUE(IsDirectory(m_root + "a\\c\\d"));
    folders.CreateFor(m_root + "a\\b\\4.txt");
    EXPECT_TRUE(IsDirectory(m_root + "a\\b"));

    if (GetACP() != 936)
        GTEST_SKIP() << "needs the code page 936 locale";
    // The bytes "x\x81\x5C" begin both paths, but 0x5C is a trail byte there:
    // the second path shares no level below the root with the first.
    folders.CreateFor(m_root + "x\x81\x5C\\f.txt");
    folders.CreateFor(m_root + "x\x81\x5Cy\\g.txt");
    EXPECT_TRUE(IsDirectory(m_root + "x\x81\x5C"));
    EXPECT_TRUE(IsDirectory(m_root + "x\x81\x5Cy"));
    EXPECT_FALSE(Exists(m_root + "x\x81"));
}

} // namespace
