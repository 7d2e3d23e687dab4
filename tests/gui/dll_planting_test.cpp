#include <iostream>

#include "platform/registry_key.h"
#include "tests/gui/gui_test_support.h"

using namespace guitest;

namespace {

// DLLs the program or the system may look for while the main window and the
// About box are up. version.dll is left out: under Wine the system's own
// user32 imports it, so a planted copy is loaded (and breaks the start)
// before the program's first instruction, whatever the program does.
const wchar_t* const kPlanted[] = {L"uxtheme", L"msimg32", L"dwmapi", L"cryptbase"};

// Loaded under Wine 8 by the system itself from the program's folder: once
// at start-up, and by its common controls' delayed imports, which do not
// follow the program's restricted search. Reported, not failed.
bool LoadedBySystemUnderWine(const std::wstring& name)
{
    return name == L"uxtheme" || name == L"msimg32";
}

// Copies of the marker DLL beside Install.exe under system DLL names, which
// Wine is told to prefer (native first) for Install.exe and the control
// program only. Wine reads its DLL overrides from its own environment, not
// from the block a program passes to a child, so the per-program registry
// setting is used.
class DllPlantingTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* name : kPlanted) {
            ASSERT_TRUE(CopyFileW((gui::ExeFolder() + L"planted.dll").c_str(), Dll(name).c_str(), FALSE))
                << "planted.dll is missing beside the test program";
            DeleteFileW(Marker(name).c_str());
        }
        for (const wchar_t* program : {L"Install.exe", L"dll_search_control.exe"}) {
            CRegKey key;
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, OverridesKey(program).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                      nullptr, key.Receive(), nullptr),
                      ERROR_SUCCESS);
            for (const wchar_t* name : kPlanted) {
                const wchar_t order[] = L"native,builtin";
                RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
            }
        }
    }
    void TearDown() override
    {
        for (const wchar_t* program : {L"Install.exe", L"dll_search_control.exe"})
            RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + std::wstring(program)).c_str());
        for (const wchar_t* name : kPlanted) {
            DeleteFileW(Dll(name).c_str());
            DeleteFileW(Marker(name).c_str());
        }
    }

    static std::wstring OverridesKey(const std::wstring& program)
    {
        return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
    }
    static std::wstring Dll(const std::wstring& name) { return gui::ExeFolder() + name + L".dll"; }
    static std::wstring Marker(const std::wstring& name) { return Dll(name) + L".loaded"; }
    static bool MarkerExists(const std::wstring& name)
    {
        return GetFileAttributesW(Marker(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Runs the control program on every planted name; its exit code (0 once
    // it could try them all).
    static std::optional<DWORD> RunControl(bool restricted)
    {
        std::wstring arguments = restricted ? L"--restricted" : L"";
        for (const wchar_t* name : kPlanted)
            arguments += std::wstring(arguments.empty() ? L"" : L" ") + name + L".dll";
        gui::Process control;
        if (!control.Start(gui::ExeFolder() + L"dll_search_control.exe", arguments, gui::ExeFolder()))
            return std::nullopt;
        return control.WaitForExit();
    }
};

// Without a restricted search a program picks up every planted DLL: the
// setup below can see a planted DLL being loaded.
TEST_F(DllPlantingTest, ProgramWithoutRestrictedSearchLoadsThePlantedDlls)
{
    EXPECT_EQ(RunControl(false), std::optional<DWORD>(0));
    for (const wchar_t* name : kPlanted)
        EXPECT_TRUE(MarkerExists(name)) << Utf8(name) << ".dll was not taken from the program's folder";
}

// The setup program's restriction (system folder only) keeps them out when
// the program itself loads a DLL.
TEST_F(DllPlantingTest, RestrictedSearchLoadsNoPlantedDll)
{
    EXPECT_EQ(RunControl(true), std::optional<DWORD>(0));
    for (const wchar_t* name : kPlanted)
        EXPECT_FALSE(MarkerExists(name)) << Utf8(name) << ".dll was taken from the program's folder";
}

TEST_F(DllPlantingTest, SetupProgramLoadsNoPlantedDll)
{
    gui::Process install;
    ASSERT_TRUE(install.Start(InstallExe(), {}, gui::ExeFolder())) << Utf8(install.Error());
    const HWND main = WaitForMainWindow(install);
    ASSERT_NE(main, nullptr) << "the setup program did not start with the planted DLLs beside it";
    ASSERT_TRUE(gui::PostSysCommand(main, IDM_ABOUTBOX));
    const HWND about = WaitForAboutBox(install);
    ASSERT_NE(about, nullptr);
    gui::ClickButton(about, IDOK);
    ASSERT_TRUE(gui::WaitForGone(about));
    gui::PostClose(main);
    EXPECT_EQ(install.WaitForExit(5000), std::optional<DWORD>(0));

    for (const wchar_t* name : kPlanted) {
        if (!MarkerExists(name))
            continue;
        if (LoadedBySystemUnderWine(name))
            std::cout << "note: " << Utf8(name) << ".dll from the program's folder was loaded by Wine's own "
                      << "libraries, outside the program's restricted search" << std::endl;
        else
            ADD_FAILURE() << "the setup program loaded the planted " << Utf8(name) << ".dll";
    }
}

} // namespace
