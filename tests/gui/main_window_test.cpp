#include <algorithm>
#include <memory>
#include <set>

#include "platform/registry_key.h"
#include "tests/gui/gui_test_support.h"

using namespace guitest;

namespace {

using MainWindowTest = InstallTest;

TEST_F(MainWindowTest, MatchesItsTemplate)
{
    Screenshot(L"main-window", m_main);
    EXPECT_EQ(Utf8(gui::WindowText(m_main)), Utf8(kMainCaption));
    EXPECT_TRUE(HasStyle(m_main, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MINIMIZEBOX | WS_VISIBLE,
                         WS_CHILD | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_DISABLED));
    EXPECT_TRUE(GetWindowLongPtrW(m_main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(m_main, GW_OWNER), nullptr);

    const auto client = gui::ClientSizeDlu(m_main);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->cx, 321);
    EXPECT_EQ(client->cy, 223);

    const std::vector<gui::ControlInfo> controls = gui::ListControls(m_main);
    ExpectControls(controls,
                   {
                       {IDC_STATIC, L"Static", L"安装 Ombrel", {7, 61, 69, 9}, true, SS_TYPEMASK, SS_LEFT, 0, 0},
                       {IDC_INSTALL, L"Button", L"安装", {129, 120, 62, 18}, true, BS_TYPEMASK, BS_DEFPUSHBUTTON,
                        WS_TABSTOP, 0},
                       {IDC_STATIC, L"Static", nullptr, {0, 0, 0, 0}, false, SS_TYPEMASK, SS_BITMAP, 0,
                        WS_EX_STATICEDGE},
                   });

    // The banner shows its whole bitmap unscaled inside its edge.
    if (controls.size() == 3) {
        const SIZE bitmap = BitmapSizeInInstall(IDB_BANNER);
        ASSERT_GT(bitmap.cx, 0);
        RECT inside = {};
        GetClientRect(controls[2].window, &inside);
        EXPECT_EQ(inside.right, bitmap.cx);
        EXPECT_EQ(inside.bottom, bitmap.cy);
    }

    EXPECT_EQ(gui::DefaultButtonId(m_main), std::optional<int>(IDC_INSTALL));
    EXPECT_TRUE(gui::WaitUntil([this] { return gui::FocusedControlId(m_main) == IDC_INSTALL; }, 5000))
        << "focus is not on the Install button";
}

TEST_F(MainWindowTest, IsCentredOnTheWorkArea)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(m_main, MONITOR_DEFAULTTOPRIMARY), &monitor));
    RECT window = {};
    ASSERT_TRUE(GetWindowRect(m_main, &window));
    EXPECT_TRUE(CentredOn(window, monitor.rcWork));
}

// Wine hands out no other process's menu, so the system menu is worked from
// the keyboard as a user would: its last item must be the About command.
TEST_F(MainWindowTest, SystemMenuEndsWithTheAboutCommand)
{
    ASSERT_TRUE(gui::PostSysCommand(m_main, SC_KEYMENU, L' '));
    const HWND menu = gui::WaitForPopupMenu(m_process.Id());
    ASSERT_NE(menu, nullptr) << "the system menu did not open";
    Screenshot(L"system-menu", menu);
    gui::PressKey(m_main, VK_END);
    gui::PressKey(m_main, VK_RETURN);
    const HWND about = WaitForAboutBox(m_process);
    ASSERT_NE(about, nullptr) << "the last item of the system menu did not open the About box";
    EXPECT_TRUE(gui::ClickButton(about, IDOK));
    EXPECT_TRUE(gui::WaitForGone(about));
}

// Every file and folder under C:\ except Windows' own, temporary folders
// and the test program's folder.
std::set<std::wstring> FileSystemSnapshot()
{
    std::set<std::wstring> found;
    const std::wstring ownFolder = gui::ExeFolder();
    const auto lower = [](std::wstring text) {
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
        return text;
    };
    const std::wstring ownLower = lower(ownFolder);
    std::vector<std::wstring> pending = {L"C:\\"};
    while (!pending.empty()) {
        const std::wstring folder = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW data = {};
        const HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        const std::unique_ptr<void, decltype(&FindClose)> owner(find, &FindClose);
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + name;
            const std::wstring key = lower(path);
            const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder) {
                const std::wstring inside = key + L"\\";
                if (inside == L"c:\\windows\\" || inside == ownLower ||
                    (inside.rfind(L"c:\\users\\", 0) == 0 &&
                     inside.find(L"\\appdata\\local\\temp\\") != std::wstring::npos))
                    continue;
                found.insert(path + L"\\");
                pending.push_back(path + L"\\");
            } else {
                found.insert(path);
            }
        } while (FindNextFileW(find, &data));
    }
    return found;
}

bool KeyExists(HKEY root, const wchar_t* path)
{
    CRegKey key;
    return RegOpenKeyExW(root, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

// Closing the main window, however it is done, ends the program at once with
// exit code 0 and leaves nothing behind.
TEST(MainWindowClose, EndsTheProgramAndLeavesNoTrace)
{
    struct Way {
        const char* name;
        bool (*close)(HWND main);
    };
    const Way ways[] = {
        {"WM_CLOSE", [](HWND main) { return gui::PostClose(main); }},
        {"Escape", [](HWND main) { return gui::PressKey(main, VK_ESCAPE); }},
        {"close command", [](HWND main) { return gui::PostSysCommand(main, SC_CLOSE); }},
    };
    const std::set<std::wstring> before = FileSystemSnapshot();
    // The walk sees the whole drive, or the comparison below proves nothing.
    ASSERT_TRUE(std::any_of(before.begin(), before.end(),
                            [](const std::wstring& path) { return lstrcmpiW(path.c_str(), L"C:\\users\\") == 0; }))
        << "C:\\users\\ is missing from the file list";
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        gui::Process process;
        ASSERT_TRUE(process.Start(InstallExe(), {}, gui::ExeFolder())) << Utf8(process.Error());
        const HWND main = WaitForMainWindow(process);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(way.close(main));
        EXPECT_EQ(process.WaitForExit(5000), std::optional<DWORD>(0));

        std::set<std::wstring> added;
        for (const std::wstring& path : FileSystemSnapshot()) {
            if (!before.count(path))
                added.insert(path);
        }
        for (const std::wstring& path : added)
            ADD_FAILURE() << "left behind: " << Utf8(path);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"software\\tollvik"));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"software\\tollvik"));
    }
}

} // namespace
