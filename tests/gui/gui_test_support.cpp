#include "tests/gui/gui_test_support.h"

#include <cmath>
#include <cstring>

namespace guitest {

void Screenshot(const std::wstring& name, HWND window)
{
    EXPECT_TRUE(gui::WaitForPainted(window)) << "the window did not settle on the screen";
    const std::wstring folder = gui::ExeFolder() + L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name + L".bmp";
    if (!gui::SaveScreenshot(path))
        ADD_FAILURE() << "could not save the screenshot " << Utf8(path);
}

::testing::AssertionResult CentredOn(const RECT& window, const RECT& area)
{
    const double dx = (window.left + window.right) / 2.0 - (area.left + area.right) / 2.0;
    const double dy = (window.top + window.bottom) / 2.0 - (area.top + area.bottom) / 2.0;
    if (std::fabs(dx) <= 1.0 && std::fabs(dy) <= 1.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window (" << window.left << "," << window.top << ")-(" << window.right
                                         << "," << window.bottom << ") is off the centre of (" << area.left << ","
                                         << area.top << ")-(" << area.right << "," << area.bottom << ") by " << dx
                                         << ", " << dy << " px";
}

void ExpectControls(const std::vector<gui::ControlInfo>& actual, const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(actual.size(), expected.size()) << "number of controls";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const gui::ControlInfo& a = actual[i];
        const ExpectedControl& e = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (ID " + std::to_string(e.id) + ")");
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(Utf8(a.className), Utf8(e.className));
        if (e.text) {
            EXPECT_EQ(Utf8(a.text), Utf8(e.text));
            EXPECT_EQ(a.text.find(L'?'), std::wstring::npos) << "a character was lost to the code page";
        }
        ASSERT_TRUE(a.dluKnown) << "dialog units could not be measured";
        EXPECT_EQ(a.dlu.x, e.dlu.x);
        EXPECT_EQ(a.dlu.y, e.dlu.y);
        if (e.sizeFromTemplate) {
            EXPECT_EQ(a.dlu.cx, e.dlu.cx);
            EXPECT_EQ(a.dlu.cy, e.dlu.cy);
        }
        EXPECT_EQ(a.style & e.typeMask, e.type) << std::hex << "style 0x" << a.style;
        EXPECT_EQ(a.style & e.styleBits, e.styleBits) << std::hex << "style 0x" << a.style;
        EXPECT_EQ(a.exStyle & e.exStyleBits, e.exStyleBits) << std::hex << "extended style 0x" << a.exStyle;
        EXPECT_TRUE(a.visible);
        EXPECT_TRUE(a.enabled);
    }
}

::testing::AssertionResult HasStyle(HWND window, DWORD set, DWORD clear)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    if ((style & set) == set && (style & clear) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "style 0x" << style << ": missing 0x" << (set & ~style)
                                         << ", unwanted 0x" << (style & clear);
}

SIZE BitmapSizeInInstall(int resourceId)
{
    SIZE size = {0, 0};
    const gui::ResourceModule program(InstallExe());
    const HMODULE module = program.Get();
    if (!module)
        return size;
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_BITMAP);
    const HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data && SizeofResource(module, info) >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER header = {};
        std::memcpy(&header, data, sizeof header);
        size.cx = header.biWidth;
        size.cy = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    }
    return size;
}

} // namespace guitest
