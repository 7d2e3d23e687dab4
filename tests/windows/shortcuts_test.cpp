#include <gtest/gtest.h>

#include <shlobj.h>

#include "common/product.h"
#include "platform/com.h"
#include "platform/text.h"
#include "system/shortcuts.h"
#include "windows_test_support.h"

using namespace wintest;

namespace {

struct LinkFields {
    std::string target;
    std::string workingDirectory;
    std::string description;
};

// Loads a shortcut file through the shell's own link object.
std::optional<LinkFields> LoadLink(const std::string& ansiPath)
{
    CComPtr<IShellLinkA> link;
    CComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return std::nullopt;
    const std::optional<std::wstring> widePath = WideFromAnsi(ansiPath);
    if (!widePath || FAILED(file->Load(widePath->c_str(), STGM_READ)))
        return std::nullopt;
    char target[MAX_PATH] = {};
    char directory[MAX_PATH] = {};
    char description[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(directory, MAX_PATH);
    link->GetDescription(description, MAX_PATH);
    return LinkFields{target, directory, description};
}

std::string FolderPath(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

// File names in the ANSI code page, sorted.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

class ShortcutsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 936)
            GTEST_SKIP() << "needs the code page 936 locale";
        m_desktopLink = FolderPath(CSIDL_DESKTOPDIRECTORY) + "\\Ombrel.lnk";
        m_menuFolder = FolderPath(CSIDL_PROGRAMS) + "\\Ombrel";
        DeleteFileA(m_desktopLink.c_str());
        std::filesystem::remove_all(m_menuFolder);
        g_strInstallDir = "C:\\Program Files\\Ombrel\\";
    }
    void TearDown() override { g_strInstallDir.clear(); }

    CComApartment m_apartment;
    std::string m_desktopLink;
    std::string m_menuFolder;
    const std::string m_uninstallLinkName = "\xD0\xB6\xD4\xD8.lnk"; // "卸载.lnk" in GBK
};

TEST_F(ShortcutsTest, DesktopAndStartMenuLinksPointIntoTheTarget)
{
    ASSERT_EQ(CreateShortcuts(), 0);

    const std::optional<LinkFields> desktop = LoadLink(m_desktopLink);
    const std::optional<LinkFields> menuProduct = LoadLink(m_menuFolder + "\\Ombrel.lnk");
    const std::optional<LinkFields> menuUninstall = LoadLink(m_menuFolder + "\\" + m_uninstallLinkName);
    ASSERT_TRUE(desktop && menuProduct && menuUninstall);

    for (const LinkFields* product : {&*desktop, &*menuProduct}) {
        EXPECT_EQ(product->target, "C:\\Program Files\\Ombrel\\ombrel.exe");
        EXPECT_EQ(product->workingDirectory, "C:\\Program Files\\Ombrel\\");
        EXPECT_EQ(product->description, "Ombrel");
    }
    EXPECT_EQ(menuUninstall->target, "C:\\Program Files\\Ombrel\\uninstall.exe");
    EXPECT_EQ(menuUninstall->workingDirectory, "C:\\Program Files\\Ombrel\\");
    EXPECT_EQ(menuUninstall->description, "\xD0\xB6\xD4\xD8"); // "卸载"
}

TEST_F(ShortcutsTest, RerunsRewriteTheSameThreeFilesAndKeepOthers)
{
    std::filesystem::create_directories(m_menuFolder);
    ASSERT_TRUE(WriteBytes(m_menuFolder + "\\notes.txt", Bytes{1}));

    ASSERT_EQ(CreateShortcuts(), 0);
    g_strInstallDir = "D:\\Other\\";
    ASSERT_EQ(CreateShortcuts(), 0);

    EXPECT_EQ(FilesIn(m_menuFolder), (std::vector<std::string>{"Ombrel.lnk", "notes.txt", m_uninstallLinkName}));
    const std::optional<LinkFields> desktop = LoadLink(m_desktopLink);
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->target, "D:\\Other\\ombrel.exe");
}

TEST_F(ShortcutsTest, OverlongTargetFolderStillSavesNothingBroken)
{
    // The link paths themselves fit; only the target is long. Links are saved.
    g_strInstallDir = "C:\\" + std::string(200, 'd') + "\\";
    ASSERT_EQ(CreateShortcuts(), 0);
    const std::optional<LinkFields> desktop = LoadLink(m_desktopLink);
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->target, g_strInstallDir + "ombrel.exe");
}

} // namespace
