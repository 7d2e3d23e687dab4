// Walks the setup program beside this program through the whole wizard with
// the default answers, photographing every window on the way:
//
//   walk_wizard.exe SCREENSHOT-FOLDER
//
// main window -> 安装 -> licence -> accept -> target folder -> 安装(&S) ->
// confirmation box (Yes) -> progress -> finish -> 完成. Prints one line per
// step; exits 0 when the installation succeeded and Install.exe ended with
// exit code 0, 1 when a window did not appear in time, the program reported
// an error or the finish page says the installation failed (the last line
// says which), 2 on a wrong command line.
#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/gui/driver.h"

namespace {

using gui::Utf8;

constexpr DWORD kPageTimeoutMs = 30000;
// The progress page stays up as long as the installation runs.
constexpr DWORD kInstallTimeoutMs = 300000;

// Message texts hold line breaks; a step is one line.
std::string OneLine(std::string text)
{
    for (std::size_t at; (at = text.find_first_of("\r\n")) != std::string::npos;) {
        const std::size_t end = text.find_first_not_of("\r\n", at);
        text.replace(at, end == std::string::npos ? std::string::npos : end - at, " / ");
    }
    return text;
}

void Say(const std::string& line)
{
    std::printf("walk: %s\n", OneLine(line).c_str());
    std::fflush(stdout);
}

class Walk {
public:
    explicit Walk(std::wstring shots) : m_shots(std::move(shots))
    {
        if (!m_shots.empty() && m_shots.back() != L'\\')
            m_shots += L'\\';
    }

    int Run()
    {
        CreateDirectoryW(m_shots.c_str(), nullptr);
        if (!m_process.Start(gui::ExeFolder() + L"Install.exe", {}, gui::ExeFolder()))
            return Fail("could not start Install.exe: " + Utf8(m_process.Error()));
        Say("started Install.exe (process " + std::to_string(m_process.Id()) + ")");

        const HWND main = Page("main window", {IDC_INSTALL}, {}, L"01-main-window", kPageTimeoutMs);
        if (!main || !Press(main, IDC_INSTALL, "安装"))
            return 1;
        const HWND license = Page("licence page", {IDC_LICENSE_TEXT}, {}, L"02-licence", kPageTimeoutMs);
        if (!license || !Press(license, IDOK, "同意并安装"))
            return 1;
        const HWND target = Page("target folder page", {IDC_TARGET_PATH}, {}, L"03-target-folder", kPageTimeoutMs);
        if (!target)
            return 1;
        Say("target folder: " + Utf8(gui::WindowText(GetDlgItem(target, IDC_TARGET_PATH))));
        if (!Press(target, IDOK, "安装(&S)"))
            return 1;

        // The program asks before it creates the folder; then the progress
        // page comes up.
        gui::DialogQuery progressQuery;
        progressQuery.controlIds = {IDC_PROGRESS};
        HWND box = nullptr;
        HWND progress = nullptr;
        gui::WaitUntil(
            [&] {
                box = gui::WaitForMessageBox(m_process.Id(), {}, 0);
                progress = gui::FindDialog(m_process.Id(), progressQuery);
                return box || progress || !m_process.IsRunning();
            },
            kPageTimeoutMs);
        if (box) {
            const std::wstring text = gui::MessageBoxText(box);
            Say("confirmation box: " + Utf8(text));
            Shot(L"04-confirmation", box);
            if (!GetDlgItem(box, IDYES))
                return Fail("the box has no Yes button: the program refused the target folder");
            gui::AnswerMessageBox(box, IDYES);
            if (!gui::WaitForGone(box, kPageTimeoutMs))
                return Fail("the confirmation box did not close");
            Say("answered Yes");
            progress = gui::WaitForDialog(m_process.Id(), progressQuery, kPageTimeoutMs);
        }
        if (!m_process.IsRunning())
            return Fail("Install.exe ended before the progress page");

        // A small package installs faster than the page can be photographed.
        gui::DialogQuery finishQuery;
        finishQuery.controlIds = {IDC_RUN_PRODUCT, IDC_STATUS_TEXT};
        finishQuery.absentIds = {IDC_LICENSE_TEXT, IDC_PROGRESS};
        if (progress) {
            Say("progress page: up");
            Shot(L"05-progress", progress);
        } else if (!gui::FindDialog(m_process.Id(), finishQuery)) {
            return Fail("the progress page did not appear within " + std::to_string(kPageTimeoutMs / 1000) + " s");
        } else {
            Say("progress page: already gone, the installation was quick");
        }

        HWND finish = nullptr;
        bool complained = false;
        gui::WaitUntil(
            [&] {
                if (const HWND message = gui::WaitForMessageBox(m_process.Id(), {}, 0)) {
                    complained = true;
                    Say("message box during the installation: " + Utf8(gui::MessageBoxText(message)));
                    Shot(L"05-message", message);
                    gui::AnswerMessageBox(message, IDOK);
                    gui::WaitForGone(message, 5000);
                }
                finish = gui::FindDialog(m_process.Id(), finishQuery);
                return finish || !m_process.IsRunning();
            },
            kInstallTimeoutMs);
        if (!finish)
            return Fail("the finish page did not appear within " + std::to_string(kInstallTimeoutMs / 1000) + " s");
        const std::wstring headline = gui::WindowText(GetDlgItem(finish, IDC_STATUS_TEXT));
        Say("finish page: " + Utf8(headline));
        Shot(L"06-finish", finish);
        if (!Press(finish, IDOK, "完成"))
            return 1;

        const std::optional<DWORD> code = m_process.WaitForExit(kPageTimeoutMs);
        if (!code)
            return Fail("Install.exe still runs " + std::to_string(kPageTimeoutMs / 1000) + " s after 完成");
        Say("Install.exe ended with exit code " + std::to_string(*code));
        if (complained || headline != L"Ombrel 安装完成") {
            Say("FAILED: the installation did not succeed");
            return 1;
        }
        return *code == 0 ? 0 : 1;
    }

private:
    HWND Page(const char* name, std::vector<int> ids, std::vector<int> absent, const wchar_t* shot, DWORD timeoutMs)
    {
        gui::DialogQuery query;
        query.controlIds = std::move(ids);
        query.absentIds = std::move(absent);
        const HWND page = gui::WaitForDialog(m_process.Id(), query, timeoutMs);
        if (!page) {
            Fail(std::string(name) + " did not appear within " + std::to_string(timeoutMs / 1000) + " s");
            return nullptr;
        }
        // The page takes its input once its modal loop runs.
        gui::WaitUntil([page] { return IsWindowEnabled(page) && gui::FocusedWindow(page) != nullptr; }, 5000);
        Say(std::string(name) + ": " + Utf8(gui::WindowText(page)));
        Shot(shot, page);
        return page;
    }

    bool Press(HWND dialog, int id, const char* label)
    {
        if (!gui::ClickButton(dialog, id)) {
            Fail(std::string("no button ") + label + " (" + std::to_string(id) + ")");
            return false;
        }
        Say(std::string("pressed ") + label);
        return true;
    }

    // A screenshot once `window` (if any) has painted; none when the window
    // went away first.
    void Shot(const std::wstring& name, HWND window)
    {
        if (window && !gui::WaitForPainted(window) && !IsWindowVisible(window)) {
            Say("  (gone before it could be photographed)");
            return;
        }
        const std::wstring path = m_shots + name + L".bmp";
        if (!gui::SaveScreenshot(path))
            Say("could not save " + Utf8(path));
    }

    int Fail(const std::string& why)
    {
        Say("FAILED: " + why);
        for (const HWND window : gui::TopLevelWindows(m_process.Id())) {
            if (IsWindowVisible(window))
                Say("  window up: " + Utf8(gui::ClassName(window)) + " \"" + Utf8(gui::WindowText(window)) + "\"");
        }
        Shot(L"99-failure", nullptr);
        return 1;
    }

    std::wstring m_shots;
    gui::Process m_process;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::printf("usage: walk_wizard.exe SCREENSHOT-FOLDER\n");
        return 2;
    }
    return Walk(argv[1]).Run();
}
