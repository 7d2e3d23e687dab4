#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "tests/gui/gui_test_support.h"

using namespace guitest;

namespace {

std::string CodePoints(const std::wstring& text)
{
    std::string out;
    char code[16];
    for (const wchar_t c : text) {
        std::snprintf(code, sizeof code, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += code;
    }
    return out;
}

// test.sh runs the GUI tests in a Chinese locale (ANSI code page 936) and
// again in a Western one (1252), saying which in GUI_TESTS_ACP. The
// program's own texts live in UTF-16 and must read the same in both, and the
// dialogs' font must have their characters.
using CodePageTest = InstallTest;

TEST_F(CodePageTest, ChineseTextsAreExactWhateverTheAnsiCodePage)
{
    const UINT acp = GetACP();
    std::cout << "ANSI code page: " << acp << std::endl;
    RecordProperty("ansi_code_page", static_cast<int>(acp));
    if (const char* expected = std::getenv("GUI_TESTS_ACP")) {
        EXPECT_EQ(std::to_string(acp), expected) << "the run was meant for another code page";
    }

    struct Text {
        HWND dialog;
        int id; // 0: the dialog's caption; IDC_STATIC: a text read above
        std::wstring expected;
    };
    std::vector<Text> texts = {
        {m_main, 0, kMainCaption},
        {m_main, IDC_INSTALL, L"安装"},
    };
    ASSERT_TRUE(gui::PostSysCommand(m_main, IDM_ABOUTBOX));
    const HWND about = WaitForAboutBox(m_process);
    ASSERT_NE(about, nullptr);
    texts.push_back({about, 0, kAboutCaption});
    texts.push_back({about, IDOK, L"确定"});
    for (const gui::ControlInfo& control : gui::ListControls(m_main)) {
        if (control.id == IDC_STATIC && (control.style & SS_TYPEMASK) == SS_LEFT) {
            EXPECT_EQ(Utf8(control.text), "安装 Ombrel");
        }
    }
    std::vector<std::wstring> aboutLines;
    for (const gui::ControlInfo& control : gui::ListControls(about)) {
        if ((control.style & SS_TYPEMASK) == SS_LEFT)
            aboutLines.push_back(control.text);
    }
    EXPECT_EQ(aboutLines, (std::vector<std::wstring>{L"Install 1.0 版", L"版权所有 (C) 2026 Tollvik"}));

    texts.push_back({m_main, IDC_STATIC, L"安装 Ombrel"});
    for (const std::wstring& line : aboutLines)
        texts.push_back({about, IDC_STATIC, line});
    for (const Text& text : texts) {
        SCOPED_TRACE(Utf8(text.expected));
        if (text.id != IDC_STATIC) {
            const HWND window = text.id ? GetDlgItem(text.dialog, text.id) : text.dialog;
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(Utf8(gui::WindowText(window)), Utf8(text.expected));
        }
        // Captions are drawn in the system's caption font; the rest in the
        // dialog's own.
        if (text.id != 0) {
            const std::optional<std::wstring> missing = gui::MissingGlyphs(text.dialog, text.expected);
            ASSERT_TRUE(missing) << "the dialog's font was not found";
            EXPECT_EQ(CodePoints(*missing), "") << "characters the dialog's font shows as boxes";
        }
    }
    Screenshot(L"about-box-code-page-" + std::to_wstring(acp), about);
    gui::ClickButton(about, IDOK);
    EXPECT_TRUE(gui::WaitForGone(about));
}

} // namespace
