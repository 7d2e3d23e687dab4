#pragma once

// Shared by the GUI tests: the setup program beside the test program, a
// fixture that starts it and waits for its main window, screenshots, and
// readable failure messages for UTF-16 texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/gui/driver.h"

namespace guitest {

// The program's texts as the tests expect them, in UTF-16.
inline const std::wstring kMainCaption = L"安装 Ombrel";
inline const std::wstring kAboutCaption = L"关于 Install";

// The setup program under test, copied beside the test program by the build.
inline std::wstring InstallExe()
{
    return gui::ExeFolder() + L"Install.exe";
}

using gui::Utf8;

// Saves a screenshot as screenshots\<name>.bmp beside the test program,
// once `window` (the one the picture is about) has painted; failing to save
// one fails the test.
void Screenshot(const std::wstring& name, HWND window);

// The main window is the program's dialog with the Install button.
inline HWND WaitForMainWindow(const gui::Process& process)
{
    gui::DialogQuery query;
    query.controlIds = {IDC_INSTALL};
    return gui::WaitForDialog(process.Id(), query);
}

// The About box: the dialog with the About caption.
inline HWND WaitForAboutBox(const gui::Process& process)
{
    return gui::WaitForDialog(process.Id(), kAboutCaption);
}

// Starts Install.exe from its own folder and waits for its main window. The
// process is killed after the test if it still runs.
class InstallTest : public testing::Test {
protected:
    void SetUp() override { StartInstall(); }

    void StartInstall()
    {
        m_main = nullptr;
        ASSERT_TRUE(m_process.Start(InstallExe(), {}, gui::ExeFolder())) << Utf8(m_process.Error());
        m_main = WaitForMainWindow(m_process);
        ASSERT_NE(m_main, nullptr) << "the main window did not appear within "
                                   << gui::kDefaultTimeoutMs / 1000 << " s";
    }

    gui::Process m_process;
    HWND m_main = nullptr;
};

// The centre of `window` is within one pixel of the centre of `area` (odd
// sizes round).
::testing::AssertionResult CentredOn(const RECT& window, const RECT& area);

// One control of a dialog as its template describes it.
struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;  // nullptr: not compared (pictures hold a resource ID)
    gui::DluRect dlu;
    bool sizeFromTemplate; // false: a picture sized by its image; x, y only
    DWORD typeMask;       // (style & typeMask) == type
    DWORD type;
    DWORD styleBits;   // all of these are set
    DWORD exStyleBits; // all of these are set
};

// Compares the dialog's controls, in order, with `expected`; every control is
// also visible and enabled.
void ExpectControls(const std::vector<gui::ControlInfo>& actual, const std::vector<ExpectedControl>& expected);

// Style bits of a top-level window: all of `set`, none of `clear`.
::testing::AssertionResult HasStyle(HWND window, DWORD set, DWORD clear);

// Width and height of a bitmap resource of Install.exe; {0, 0} when missing.
SIZE BitmapSizeInInstall(int resourceId);

} // namespace guitest
