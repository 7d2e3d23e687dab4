#include "tests/gui/gui_test_support.h"

using namespace guitest;

namespace {

// Opens the About box through the main window's system menu command.
class AboutBoxTest : public InstallTest {
protected:
    HWND OpenAbout()
    {
        if (!gui::PostSysCommand(m_main, IDM_ABOUTBOX))
            return nullptr;
        return WaitForAboutBox(m_process);
    }
};

TEST_F(AboutBoxTest, MatchesItsTemplateOverADisabledMainWindow)
{
    const HWND about = OpenAbout();
    ASSERT_NE(about, nullptr) << "the About command did not open the About box";
    Screenshot(L"about-box", about);

    EXPECT_TRUE(HasStyle(about, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE,
                         WS_CHILD | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    const auto client = gui::ClientSizeDlu(about);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->cx, 235);
    EXPECT_EQ(client->cy, 55);

    const std::vector<gui::ControlInfo> controls = gui::ListControls(about);
    ExpectControls(controls,
                   {
                       {IDC_STATIC, L"Static", nullptr, {11, 17, 20, 20}, false, SS_TYPEMASK, SS_ICON, 0, 0},
                       {IDC_STATIC, L"Static", L"Install 1.0 版", {40, 10, 119, 8}, true, SS_TYPEMASK, SS_LEFT,
                        SS_NOPREFIX, 0},
                       {IDC_STATIC, L"Static", L"版权所有 (C) 2026 Tollvik", {40, 25, 119, 8}, true, SS_TYPEMASK,
                        SS_LEFT, 0, 0},
                       {IDOK, L"Button", L"确定", {178, 7, 50, 14}, true, BS_TYPEMASK, BS_DEFPUSHBUTTON,
                        WS_GROUP | WS_TABSTOP, 0},
                   });
    // An icon control takes the size of the icon it shows.
    if (!controls.empty()) {
        RECT icon = {};
        GetClientRect(controls[0].window, &icon);
        EXPECT_EQ(icon.right, GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(icon.bottom, GetSystemMetrics(SM_CYICON));
    }
    EXPECT_EQ(gui::DefaultButtonId(about), std::optional<int>(IDOK));
    EXPECT_TRUE(gui::WaitUntil([about] { return gui::FocusedControlId(about) == IDOK; }, 5000))
        << "focus is not on the OK button";

    EXPECT_EQ(GetWindow(about, GW_OWNER), m_main);
    RECT aboutRect = {};
    RECT mainRect = {};
    GetWindowRect(about, &aboutRect);
    GetWindowRect(m_main, &mainRect);
    EXPECT_TRUE(CentredOn(aboutRect, mainRect));
    EXPECT_FALSE(IsWindowEnabled(m_main)) << "the main window takes input while the About box is up";

    EXPECT_TRUE(gui::ClickButton(about, IDOK));
    EXPECT_TRUE(gui::WaitForGone(about));
    EXPECT_TRUE(gui::WaitForEnabled(m_main, true)) << "the main window stayed disabled";
    EXPECT_TRUE(m_process.IsRunning());
}

// Every way of closing the About box returns to the main window, which
// takes input again with the focus back on its Install button.
TEST_F(AboutBoxTest, EveryWayOfClosingReturnsToTheMainWindow)
{
    struct Way {
        const char* name;
        bool (*close)(HWND about);
    };
    const Way ways[] = {
        {"OK button", [](HWND about) { return gui::ClickButton(about, IDOK); }},
        {"Enter", [](HWND about) { return gui::PressKey(about, VK_RETURN); }},
        {"Escape", [](HWND about) { return gui::PressKey(about, VK_ESCAPE); }},
        {"close command", [](HWND about) { return gui::PostSysCommand(about, SC_CLOSE); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const HWND about = OpenAbout();
        ASSERT_NE(about, nullptr);
        ASSERT_TRUE(gui::WaitUntil([about] { return gui::FocusedControlId(about) == IDOK; }, 5000));
        ASSERT_TRUE(way.close(about));
        ASSERT_TRUE(gui::WaitForGone(about, 5000)) << "the About box is still up";
        EXPECT_TRUE(gui::WaitForEnabled(m_main, true, 5000));
        EXPECT_TRUE(gui::WaitUntil([this] { return gui::FocusedControlId(m_main) == IDC_INSTALL; }, 5000))
            << "focus did not return to the Install button";
        EXPECT_TRUE(m_process.IsRunning());
    }
}

} // namespace
