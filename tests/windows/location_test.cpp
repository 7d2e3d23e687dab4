#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "common/product.h"
#include "location/target_dir.h"
#include "location/target_rules.h"
#include "platform/com.h"
#include "platform/file.h"
#include "platform/text.h"
#include "windows_test_support.h"

using namespace wintest;

namespace {

BOOL CALLBACK FindOwnDialogIn(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::wstring(className) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A visible dialog window ("#32770") of this process, message box or folder
// browser, or null.
HWND FindOwnDialog()
{
    HWND found = nullptr;
    EnumWindows(FindOwnDialogIn, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

void Press(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Hands every dialog this process shows to `handle`, on a thread of its own,
// while the test's thread sits in the dialog's modal loop. The handler must
// close the dialog; the next one is looked for once it is gone.
class CDialogWatcher {
public:
    explicit CDialogWatcher(std::function<void(HWND)> handle)
        : m_handle(std::move(handle)), m_thread([this] { Run(); })
    {
    }
    ~CDialogWatcher()
    {
        m_stop = true;
        m_thread.join();
    }
    CDialogWatcher(const CDialogWatcher&) = delete;
    CDialogWatcher& operator=(const CDialogWatcher&) = delete;

private:
    void Run()
    {
        while (!m_stop) {
            const HWND dialog = FindOwnDialog();
            if (!dialog) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            m_handle(dialog);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (IsWindow(dialog) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::function<void(HWND)> m_handle;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

enum class Icon { None, Information, Warning, Other };

struct ShownBox {
    std::wstring caption;
    std::wstring text;
    bool yesNo = false; // Yes and No buttons; otherwise OK alone
    Icon icon = Icon::None;
};

Icon IconOf(HWND box)
{
    // Wine's message box keeps its icon in a static control of this id.
    constexpr int kIconControl = 0x0440;
    const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, kIconControl, STM_GETICON, 0, 0));
    if (!icon)
        return Icon::None;
    if (icon == LoadIconA(nullptr, IDI_INFORMATION))
        return Icon::Information;
    if (icon == LoadIconA(nullptr, IDI_WARNING))
        return Icon::Warning;
    return Icon::Other;
}

// Answers the message boxes with the given buttons in turn (No or OK once
// they run out) and records what each showed.
class CBoxAnswerer {
public:
    explicit CBoxAnswerer(std::vector<int> answers)
        : m_answers(std::move(answers)), m_watcher([this](HWND box) { Answer(box); })
    {
    }

    std::vector<ShownBox> Shown()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown;
    }

private:
    void Answer(HWND box)
    {
        ShownBox shown;
        shown.caption = WindowText(box);
        shown.text = WindowText(GetDlgItem(box, 0xFFFF));
        shown.yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK);
        shown.icon = IconOf(box);
        std::size_t index = 0;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            index = m_shown.size();
            m_shown.push_back(shown);
        }
        Press(box, index < m_answers.size() ? m_answers[index] : (shown.yesNo ? IDNO : IDOK));
    }

    std::vector<int> m_answers;
    std::mutex m_mutex;
    std::vector<ShownBox> m_shown;
    CDialogWatcher m_watcher; // last: stopped before the rest goes
};

const std::wstring kCaption = L"windows_tests";

std::wstring Utf8(const char* text)
{
    return WideFromUtf8(text).value();
}

ShownBox ConfirmBox(const std::string& ansiTarget)
{
    return {kCaption, Utf8(kConfirmTargetPrefix) + WideFromAnsi(ansiTarget).value(), true, Icon::Information};
}

ShownBox BadTargetBox()
{
    // Flags 0: the message box adds its warning icon.
    return {kCaption, Utf8(kBadTargetMessage), false, Icon::Warning};
}

ShownBox OldVersionBox()
{
    return {kCaption, Utf8(kOldVersionRunningMessage), false, Icon::Information};
}

void ExpectBoxes(const std::vector<ShownBox>& shown, const std::vector<ShownBox>& expected, const std::string& what)
{
    ASSERT_EQ(shown.size(), expected.size()) << what;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].caption, expected[i].caption) << what << " box " << i;
        EXPECT_EQ(shown[i].text, expected[i].text) << what << " box " << i;
        EXPECT_EQ(shown[i].yesNo, expected[i].yesNo) << what << " box " << i;
        EXPECT_EQ(shown[i].icon, expected[i].icon) << what << " box " << i;
    }
}

class LocationTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = ExeFolder() + "location-" + testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        std::filesystem::remove_all(m_root);
        CreateDirectoryA(m_root.c_str(), nullptr);
        g_strInstallDir = kUnchanged;
    }
    void TearDown() override
    {
        g_strInstallDir.clear();
        std::filesystem::remove_all(m_root);
    }

    static constexpr char kUnchanged[] = "Z:\\unchanged\\";
    std::string m_root;
};

TEST_F(LocationTest, DefaultTargetFromProgramFiles)
{
    char saved[1024] = {};
    const DWORD savedLength = GetEnvironmentVariableA("ProgramFiles", saved, sizeof saved);

    struct Case {
        const char* what;
        std::optional<std::string> programFiles;
        std::string target;
    };
    const Case cases[] = {
        {"set", "C:\\Program Files", "C:\\Program Files\\Ombrel\\"},
        {"drive root", "D:\\", "D:\\Ombrel\\"},
        {"unset", std::nullopt, "C:\\Ombrel\\"},
        {"empty", "", "C:\\Ombrel\\"},
        // Read whole, but no room for the product folder in 300 bytes.
        {"299 bytes", "D:\\" + std::string(296, 'a'), "C:\\Ombrel\\"},
        {"too long to read", "D:\\" + std::string(400, 'a'), "C:\\Ombrel\\"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetEnvironmentVariableA("ProgramFiles", c.programFiles ? c.programFiles->c_str() : nullptr));
        EXPECT_EQ(DefaultTargetDir(), c.target) << c.what;
    }
    if (GetACP() == 936) {
        // The second byte of this character is 0x5C, not a trailing backslash.
        SetEnvironmentVariableW(L"ProgramFiles", L"C:\\x\u4E57");
        EXPECT_EQ(DefaultTargetDir(), "C:\\x\x81\x5C\\Ombrel\\");
        // A Hangul syllable has no GBK form.
        SetEnvironmentVariableW(L"ProgramFiles", L"D:\\\uD55C");
        EXPECT_EQ(DefaultTargetDir(), "C:\\Ombrel\\");
    }

    SetEnvironmentVariableA("ProgramFiles", savedLength > 0 && savedLength < sizeof saved ? saved : nullptr);
}

TEST_F(LocationTest, TypedPathsAreCheckedThenConfirmed)
{
    struct Case {
        std::string typed;
        std::vector<int> answers;
        bool accepted;
        std::string target; // confirmed path, or the installation folder when accepted
        std::vector<ShownBox> boxes;
    };
    const std::string apps = m_root + "Apps";
    const std::vector<Case> cases = {
        {"C:\\", {IDYES}, true, "C:\\", {ConfirmBox("C:\\")}},
        {"D:Program", {IDYES}, true, "D:Program\\", {ConfirmBox("D:Program\\")}},
        {"1:\\x", {IDYES}, true, "1:\\x\\", {ConfirmBox("1:\\x\\")}},
        // No product folder is added to a typed path.
        {apps, {IDYES}, true, apps + "\\", {ConfirmBox(apps + "\\")}},
        {apps, {IDNO}, false, "", {ConfirmBox(apps + "\\")}},
        {"\\\\server\\share\\x", {}, false, "", {BadTargetBox()}},
        {"C:", {}, false, "", {BadTargetBox()}},
        {"C:\\App*", {}, false, "", {BadTargetBox()}},
    };
    for (const Case& c : cases) {
        g_strInstallDir = kUnchanged;
        CBoxAnswerer answerer(c.answers);
        EXPECT_EQ(AcceptTargetDir(c.typed), c.accepted) << c.typed;
        EXPECT_EQ(g_strInstallDir, c.accepted ? c.target : kUnchanged) << c.typed;
        ExpectBoxes(answerer.Shown(), c.boxes, c.typed);
    }
}

TEST_F(LocationTest, TrailByteBackslashGetsABackslashAppended)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs the code page 936 locale";
    const std::string typed = m_root + "x\x81\x5C";
    CBoxAnswerer answerer({IDYES});
    EXPECT_TRUE(AcceptTargetDir(typed));
    EXPECT_EQ(g_strInstallDir, typed + "\\");
    ExpectBoxes(answerer.Shown(), {ConfirmBox(typed + "\\")}, typed);
}

TEST_F(LocationTest, OldProgramIsDeletedOnlyAfterYes)
{
    const std::string folder = m_root + "Apps\\";
    const std::string exe = folder + kProductExe;
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(exe, {0x4D, 0x5A}));

    {
        CBoxAnswerer answerer({IDNO});
        EXPECT_FALSE(AcceptTargetDir(m_root + "Apps"));
        ExpectBoxes(answerer.Shown(), {ConfirmBox(folder)}, "No");
    }
    EXPECT_TRUE(Exists(exe));
    EXPECT_EQ(g_strInstallDir, kUnchanged);

    CBoxAnswerer answerer({IDYES});
    EXPECT_TRUE(AcceptTargetDir(m_root + "Apps"));
    ExpectBoxes(answerer.Shown(), {ConfirmBox(folder)}, "Yes");
    EXPECT_FALSE(Exists(exe));
    EXPECT_EQ(g_strInstallDir, folder);
}

TEST_F(LocationTest, ProgramHeldOpenIsARunningOldVersion)
{
    const std::string folder = m_root + "Apps\\";
    const std::string exe = folder + kProductExe;
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(exe, {0x4D, 0x5A}));
    // Opened without any sharing, as a running program's image keeps its file.
    CFile held;
    ASSERT_TRUE(held.Open(exe.c_str(), CFile::Mode::Read));

    CBoxAnswerer answerer({IDYES, IDOK});
    EXPECT_FALSE(AcceptTargetDir(folder));
    ExpectBoxes(answerer.Shown(), {ConfirmBox(folder), OldVersionBox()}, folder);
    EXPECT_TRUE(Exists(exe));
    EXPECT_EQ(g_strInstallDir, kUnchanged);
}

TEST_F(LocationTest, WildcardsMatchNothingAndDeleteNothing)
{
    const std::string exe = m_root + "dir\\" + kProductExe;
    CreateDirectoryA((m_root + "dir").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(exe, {0x4D, 0x5A}));

    for (const std::string& typed : {m_root + "d?r\\", m_root + "d*\\", m_root + "*"}) {
        CBoxAnswerer answerer({IDYES, IDOK});
        EXPECT_FALSE(AcceptTargetDir(typed));
        ExpectBoxes(answerer.Shown(), {BadTargetBox()}, typed);
        EXPECT_TRUE(Exists(exe)) << typed;
        EXPECT_EQ(g_strInstallDir, kUnchanged);
    }
}

struct BrowseSeen {
    bool shown = false;
    HWND owner = nullptr;
    bool titleShown = false;
};

struct TextSearch {
    const std::wstring* text;
    bool found;
};

BOOL CALLBACK FindChildText(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<TextSearch*>(param);
    search->found = WindowText(child) == *search->text;
    return !search->found;
}

// Whether a child window of `dialog` shows exactly `text`.
bool HasChildWithText(HWND dialog, const std::wstring& text)
{
    TextSearch search{&text, false};
    EnumChildWindows(dialog, FindChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs the folder browser and, in it, selects `select` (a path, or an item
// list when `selectItems` is set) and presses OK, or presses Cancel when
// there is nothing to select.
std::optional<std::string> Browse(HWND owner, const std::wstring& select, BrowseSeen& seen,
                                  LPCITEMIDLIST selectItems = nullptr)
{
    CDialogWatcher watcher([&](HWND dialog) {
        seen.shown = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr;
        seen.owner = GetWindow(dialog, GW_OWNER);
        seen.titleShown = HasChildWithText(dialog, Utf8(kBrowseTitle));
        const bool pick = selectItems || !select.empty();
        if (pick) {
            // The first browser of a process may not take a selection at once;
            // nothing picked here is the tree's root (the desktop).
            const HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
            for (int attempt = 0; attempt < 100; ++attempt) {
                if (selectItems)
                    SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(selectItems));
                else
                    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()));
                const LRESULT selected = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
                if (selected && selected != SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        Press(dialog, pick ? IDOK : IDCANCEL);
    });
    return TargetFromPickedFolder(owner);
}

std::string CurrentDirectory()
{
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    return current;
}

class CTestWindow {
public:
    CTestWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr))
    {
    }
    ~CTestWindow() { DestroyWindow(m_window); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

TEST_F(LocationTest, PickedFolderGetsTheProductFolder)
{
    const CTestWindow owner;
    ASSERT_TRUE(owner.Get());
    const std::string picked = m_root + "Pick";
    const std::string named = m_root + "Ombrel";
    CreateDirectoryA(picked.c_str(), nullptr);
    CreateDirectoryA(named.c_str(), nullptr);

    struct Case {
        std::string folder;
        std::string target;
    };
    const Case cases[] = {
        {picked, picked + "\\Ombrel\\"},
        {"C:\\", "C:\\Ombrel\\"},
        // Appended even to a folder already named like the product.
        {named, named + "\\Ombrel\\"},
    };
    for (const Case& c : cases) {
        SetCurrentDirectoryA("C:\\");
        BrowseSeen seen;
        EXPECT_EQ(Browse(owner.Get(), WideFromAnsi(c.folder).value(), seen), c.target) << c.folder;
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.owner, owner.Get());
        EXPECT_TRUE(seen.titleShown);
        // The browser may have moved the working directory; it is the setup program's folder again.
        EXPECT_EQ(CurrentDirectory() + "\\", ExeFolder()) << c.folder;
    }
}

TEST_F(LocationTest, NothingPickedChangesNothing)
{
    SetCurrentDirectoryA("C:\\");
    BrowseSeen seen;
    EXPECT_EQ(Browse(nullptr, L"", seen), std::nullopt);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(CurrentDirectory(), "C:\\");

    // My Computer: an item with no file-system path.
    CCoTaskMem<ITEMIDLIST> computer;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive())));
    seen = {};
    EXPECT_EQ(Browse(nullptr, L"", seen, computer.Get()), std::nullopt);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(CurrentDirectory(), "C:\\");

    if (GetACP() == 936) {
        // A folder whose name has no GBK form has no ANSI path.
        const std::wstring hangul = WideFromAnsi(m_root).value() + L"\uD55C";
        ASSERT_TRUE(CreateDirectoryW(hangul.c_str(), nullptr));
        seen = {};
        EXPECT_EQ(Browse(nullptr, hangul, seen), std::nullopt);
        EXPECT_TRUE(seen.shown);
    }
}

} // namespace
