// The setup program end to end, as a user runs it: Install.exe and a data.dat
// in a folder of their own, the wizard walked with the GUI driver, then every
// trace checked: files, install.log, registry record, shortcuts and the
// product started (or not) by the finish page.
//
// Install.exe and the sample product (ombrel.exe, uninstall.exe) are copied
// beside this program by the build. Every page and message box is saved as
// screenshots\<test>-<step>.bmp beside this program.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/byte_stream.h"
#include "install/package_format.h"
#include "install/package_writer.h"
#include "platform/com.h"
#include "res/resource.h"
#include "tests/gui/driver.h"
#include "tests/support/package_bytes.h"

namespace {

using testpkg::Bytes;

// What the user sees: the program's own texts.
const std::wstring kLicenseStart = L"Ombrel 软件最终用户许可协议";
const std::wstring kDefaultDir = L"C:\\Program Files\\Ombrel\\";
const std::wstring kBadPathMessage = L"安装路径不正确,请重新选择.";
const std::wstring kConfirmPrefix = L"请确认安装路径:\n\n";
const std::wstring kOldVersionMessage = L"你有老版本正在运行,请先关闭老版本,再安装本软件";
const std::wstring kFormatMessage = L"安装文件格式出错,请检查文件是否受损.";
const std::wstring kWaitMessage = L"安装过程中不能关闭,请稍候.";
const std::wstring kSucceededHeading = L"Ombrel 安装完成";
const std::wstring kFailedHeading = L"安装失败";
const std::wstring kReadme = L"http://www.tollvik.com/ombrel/readme.asp";
const std::wstring kProductBoxCaption = L"Ombrel (sample)";

// How long the finish page is given to start the product before we say it
// started nothing: a Wine process is up and writing well within this.
constexpr DWORD kNoStartWaitMs = 3000;

// ---- Text and files ------------------------------------------------------

// A package name (code page 936 bytes) as the file system shows it.
std::wstring WideFrom936(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return wide;
}

std::string To936(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::wstring WideFromUtf8(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole file, read while others may still have it open; nothing when it
// cannot be opened.
std::optional<Bytes> ReadFileBytes(const std::wstring& path)
{
    const gui::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    Bytes bytes;
    unsigned char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

std::optional<std::uint64_t> FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes)
{
    const gui::UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// A package file being written. Contents of zero bytes at its end can be
// added as a hole, so a package of hundreds of MB costs nothing to make.
class PackageFile final : public IByteSink {
public:
    explicit PackageFile(const std::wstring& path)
        : m_file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    bool IsOpen() const { return static_cast<bool>(m_file); }
    bool Write(const void* data, std::size_t size) override
    {
        DWORD written = 0;
        return m_file && WriteFile(m_file.Get(), data, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }
    bool AppendZeros(std::uint64_t bytes)
    {
        LARGE_INTEGER distance = {};
        distance.QuadPart = static_cast<LONGLONG>(bytes);
        return m_file && SetFilePointerEx(m_file.Get(), distance, nullptr, FILE_END) && SetEndOfFile(m_file.Get());
    }

private:
    gui::UniqueHandle m_file;
};

struct PackagedFile {
    std::string name; // code page 936 bytes, as packed
    Bytes content;
};

// A well-formed package of `files`, followed by entries of zeros of
// `zeroSizes` bytes each.
bool WritePackage(const std::wstring& path, const std::vector<PackagedFile>& files,
                  const std::vector<std::int32_t>& zeroSizes = {})
{
    PackageFile sink(path);
    CPackageWriter writer(sink);
    if (!sink.IsOpen() || !writer.WriteHeader(static_cast<std::int32_t>(files.size() + zeroSizes.size())))
        return false;
    auto entry = [&writer](std::int32_t size, const std::string& name) {
        PackageEntry record;
        record.size = size;
        name.copy(record.name, kMaxNameLength);
        return writer.WriteEntry(record);
    };
    for (const PackagedFile& file : files) {
        if (!entry(static_cast<std::int32_t>(file.content.size()), file.name))
            return false;
    }
    for (std::size_t i = 0; i < zeroSizes.size(); ++i) {
        if (!entry(zeroSizes[i], "big" + std::to_string(i) + ".bin"))
            return false;
    }
    for (const PackagedFile& file : files) {
        if (!writer.WriteContent(file.content.data(), file.content.size()))
            return false;
    }
    std::uint64_t zeros = 0;
    for (const std::int32_t size : zeroSizes)
        zeros += static_cast<std::uint64_t>(size);
    return sink.AppendZeros(zeros);
}

// ---- System traces --------------------------------------------------------

std::wstring SpecialFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return path;
}

std::wstring DesktopLink()
{
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Ombrel.lnk";
}

std::wstring MenuFolder()
{
    return SpecialFolder(CSIDL_PROGRAMS) + L"\\Ombrel";
}

// The target of a shortcut file, loaded through the shell's link object.
std::optional<std::wstring> LinkTarget(const std::wstring& path)
{
    CComPtr<IShellLinkW> link;
    CComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
        FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        return std::nullopt;
    return target;
}

// A key of the machine's 64-bit registry view, open for reading; closed by
// the destructor.
class RegistryKey {
public:
    explicit RegistryKey(const wchar_t* path)
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// A string value of the product's record; nothing when the key or value is
// missing.
std::optional<std::wstring> RecordValue(const wchar_t* name)
{
    const RegistryKey key(L"software\\tollvik\\ombrel");
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (!key.Get() || RegGetValueW(key.Get(), nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool MakerKeyExists()
{
    return RegistryKey(L"software\\tollvik").Get() != nullptr;
}

// The product's sample program shows its command line in a message box
// until it is answered.
void CloseProductWindows()
{
    while (const HWND box = FindWindowW(L"#32770", kProductBoxCaption.c_str())) {
        gui::AnswerMessageBox(box, IDOK);
        if (!gui::WaitForGone(box, 5000))
            break;
    }
}

// ---- The fixture ----------------------------------------------------------

// One user's run: Install.exe copied into C:\e2e\<test>\ with the package the
// test writes there, started and walked page by page.
class WizardTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 936)
            GTEST_SKIP() << "needs the code page 936 locale";
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        m_name = WideFromUtf8(info->name());
        for (wchar_t& c : m_name) {
            if (c == L'/')
                c = L'-';
        }
        m_work = L"C:\\e2e\\" + m_name + L"\\";
        m_shots = gui::ExeFolder() + L"screenshots\\";
        // A machine as the previous test left it would hide missing traces.
        RemoveTraces({kDefaultDir, L"C:\\Apps\\", L"C:\\应用程序\\"});
        std::error_code error;
        std::filesystem::remove_all(m_work, error);
        std::filesystem::create_directories(m_work, error);
        std::filesystem::create_directories(m_shots, error);
        ASSERT_TRUE(CopyFileW((gui::ExeFolder() + L"Install.exe").c_str(), (m_work + L"Install.exe").c_str(), FALSE))
            << "Install.exe must be beside the test program";
    }

    void TearDown() override
    {
        if (m_process.IsRunning()) {
            Shot(L"left-running");
            m_process.Terminate();
        }
        CloseProductWindows();
        // The packages of the large installation take real disk space.
        std::error_code error;
        std::filesystem::remove_all(m_work, error);
    }

    static void RemoveTraces(const std::vector<std::wstring>& dirs)
    {
        CloseProductWindows();
        std::error_code error;
        for (const std::wstring& dir : dirs)
            std::filesystem::remove_all(dir, error);
        std::filesystem::remove(DesktopLink(), error);
        std::filesystem::remove_all(MenuFolder(), error);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"software\\tollvik");
    }

    std::wstring PackagePath() const { return m_work + L"data.dat"; }

    // The product as a maker packs it: the sample programs, so that the
    // installed product really runs, and files in folders, one with a
    // Chinese name.
    std::vector<PackagedFile> ProductFiles() const
    {
        const std::optional<Bytes> ombrel = ReadFileBytes(gui::ExeFolder() + L"ombrel.exe");
        const std::optional<Bytes> uninstall = ReadFileBytes(gui::ExeFolder() + L"uninstall.exe");
        EXPECT_TRUE(ombrel && uninstall) << "the sample programs must be beside the test program";
        const std::string readme = "Ombrel\r\n";
        return {
            {"ombrel.exe", ombrel.value_or(Bytes{})},
            {"uninstall.exe", uninstall.value_or(Bytes{})},
            {"readme.txt", Bytes(readme.begin(), readme.end())},
            {"defaults\\preferences.ini", testpkg::Content(5000, 3)},
            {"defaults\\empty.cfg", {}},
            {To936(L"locale\\简体中文\\说明.txt"), testpkg::Content(70000, 9)},
        };
    }

    void WriteProductPackage(const std::vector<std::int32_t>& zeroSizes = {})
    {
        m_files = ProductFiles();
        m_zeroSizes = zeroSizes;
        ASSERT_TRUE(WritePackage(PackagePath(), m_files, zeroSizes));
    }

    // Started from another folder than its own, as from a shortcut: the
    // package is found beside the program all the same.
    void Start()
    {
        ASSERT_TRUE(m_process.Start(m_work + L"Install.exe", {}, L"C:\\e2e")) << m_process.Error();
    }

    // The screen as the user sees it now, after the window has painted.
    void Shot(const std::wstring& step)
    {
        Sleep(300);
        const std::wstring name = m_name + (m_case.empty() ? L"" : L"-" + m_case) + L"-" + step;
        EXPECT_TRUE(gui::SaveScreenshot(m_shots + name + L".bmp")) << "no screenshot";
    }

    HWND WaitPage(const gui::DialogQuery& query, DWORD timeoutMs = gui::kDefaultTimeoutMs)
    {
        return gui::WaitForDialog(m_process.Id(), query, timeoutMs);
    }
    HWND FindPage(const gui::DialogQuery& query) { return gui::FindDialog(m_process.Id(), query); }

    static gui::DialogQuery MainWindow() { return {L"安装 Ombrel", {IDC_INSTALL}, {}}; }
    static gui::DialogQuery LicensePage() { return {L"安装 Ombrel", {IDC_LICENSE_TEXT, IDOK, IDCANCEL}, {}}; }
    static gui::DialogQuery TargetPage() { return {L"安装 Ombrel", {IDC_TARGET_PATH, IDC_BROWSE, IDOK}, {}}; }
    static gui::DialogQuery ProgressPage() { return {L"安装 Ombrel", {IDC_PROGRESS, IDC_STATUS_TEXT}, {}}; }
    static gui::DialogQuery FinishPage()
    {
        return {L"安装 Ombrel", {IDC_RUN_PRODUCT, IDC_STATUS_TEXT, IDOK}, {IDC_LICENSE_TEXT}};
    }

    static std::wstring ControlText(HWND page, int id) { return gui::WindowText(GetDlgItem(page, id)); }

    // A message box with exactly `text`, captured and answered with `button`;
    // false when none came.
    bool Answer(const std::wstring& text, int button, const std::wstring& step)
    {
        const HWND box = gui::WaitForMessageBox(m_process.Id(), text);
        if (!box) {
            ADD_FAILURE() << "no message box for step " << std::string(step.begin(), step.end());
            Shot(step + L"-missing");
            return false;
        }
        Shot(step);
        EXPECT_TRUE(gui::AnswerMessageBox(box, button));
        EXPECT_TRUE(gui::WaitForGone(box));
        return true;
    }

    // Main window, 安装, the licence page: returns the licence page.
    HWND OpenLicensePage()
    {
        Start();
        const HWND main = WaitPage(MainWindow());
        if (!main) {
            ADD_FAILURE() << "the main window did not open";
            return nullptr;
        }
        Shot(L"1-main");
        EXPECT_TRUE(gui::ClickButton(main, IDC_INSTALL));
        const HWND license = WaitPage(LicensePage());
        if (!license) {
            ADD_FAILURE() << "the licence page did not open";
            return nullptr;
        }
        Shot(L"2-license");
        EXPECT_EQ(ControlText(license, IDC_LICENSE_TEXT).substr(0, kLicenseStart.size()), kLicenseStart);
        EXPECT_EQ(ControlText(license, IDOK), L"同意并安装");
        EXPECT_EQ(ControlText(license, IDCANCEL), L"退出安装(&C)");
        return license;
    }

    // On to the target page, which proposes the default folder.
    HWND OpenTargetPage()
    {
        const HWND license = OpenLicensePage();
        if (!license)
            return nullptr;
        EXPECT_TRUE(gui::ClickButton(license, IDOK));
        const HWND target = WaitPage(TargetPage());
        if (!target) {
            ADD_FAILURE() << "the target page did not open";
            return nullptr;
        }
        Shot(L"3-target");
        EXPECT_EQ(ControlText(target, IDC_TARGET_PATH), kDefaultDir);
        EXPECT_EQ(ControlText(target, IDOK), L"安装(&S)");
        EXPECT_EQ(ControlText(target, IDCANCEL), L"取消");
        return target;
    }

    // Types `path` (unless empty: the proposal stays), presses 安装 and
    // confirms `confirmed` with Yes.
    void ChooseTarget(HWND target, const std::wstring& path, const std::wstring& confirmed)
    {
        if (!path.empty()) {
            ASSERT_TRUE(gui::SetControlText(target, IDC_TARGET_PATH, path));
        }
        ASSERT_TRUE(gui::ClickButton(target, IDOK));
        ASSERT_TRUE(Answer(kConfirmPrefix + confirmed, IDYES, L"4-confirm"));
    }

    // Presses 安装 expecting a refusal with `message`: the page stays open
    // with its text unchanged.
    void ExpectRefused(HWND target, const std::wstring& message, const std::wstring& step)
    {
        const std::wstring before = ControlText(target, IDC_TARGET_PATH);
        ASSERT_TRUE(gui::ClickButton(target, IDOK));
        ASSERT_TRUE(Answer(message, IDOK, step));
        EXPECT_TRUE(gui::WaitForEnabled(target, true));
        EXPECT_TRUE(IsWindowVisible(target));
        EXPECT_EQ(FindPage(TargetPage()), target);
        EXPECT_EQ(ControlText(target, IDC_TARGET_PATH), before);
        EXPECT_EQ(FindPage(ProgressPage()), nullptr);
    }

    HWND WaitFinishPage(DWORD timeoutMs = 60000)
    {
        const HWND finish = WaitPage(FinishPage(), timeoutMs);
        if (!finish) {
            Shot(L"finish-missing");
            ADD_FAILURE() << "the finish page did not open";
            return nullptr;
        }
        Shot(L"6-finish");
        return finish;
    }

    void ExpectSucceeded(HWND finish)
    {
        EXPECT_EQ(ControlText(finish, IDC_STATUS_TEXT), kSucceededHeading);
        const HWND run = GetDlgItem(finish, IDC_RUN_PRODUCT);
        EXPECT_TRUE(IsWindowVisible(run));
        EXPECT_EQ(gui::WindowText(run), L"运行 Ombrel");
        DWORD_PTR state = 0;
        EXPECT_TRUE(SendMessageTimeoutW(run, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state));
        EXPECT_EQ(state, static_cast<DWORD_PTR>(BST_CHECKED));
    }

    void ExpectFailed(HWND finish)
    {
        EXPECT_EQ(ControlText(finish, IDC_STATUS_TEXT), kFailedHeading);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(finish, IDC_RUN_PRODUCT)));
    }

    // Presses 完成; the program ends with exit code 0.
    void Finish(HWND finish)
    {
        ASSERT_TRUE(gui::ClickButton(finish, IDOK));
        ExpectExited();
    }

    void ExpectExited()
    {
        const std::optional<DWORD> code = m_process.WaitForExit();
        ASSERT_TRUE(code) << "Install.exe still runs";
        EXPECT_EQ(*code, 0u);
    }

    // Every packaged file byte for byte, and the log naming them in order.
    void ExpectInstalled(const std::wstring& dir)
    {
        std::string log;
        for (const PackagedFile& file : m_files) {
            SCOPED_TRACE(file.name);
            const std::optional<Bytes> installed = ReadFileBytes(dir + WideFrom936(file.name));
            ASSERT_TRUE(installed);
            EXPECT_TRUE(*installed == file.content);
            log += "[FILE] " + file.name + "\r\n";
        }
        for (std::size_t i = 0; i < m_zeroSizes.size(); ++i) {
            const std::string name = "big" + std::to_string(i) + ".bin";
            SCOPED_TRACE(name);
            EXPECT_EQ(FileSize(dir + WideFrom936(name)), std::optional<std::uint64_t>(m_zeroSizes[i]));
            log += "[FILE] " + name + "\r\n";
        }
        const std::optional<Bytes> written = ReadFileBytes(dir + L"install.log");
        ASSERT_TRUE(written);
        EXPECT_EQ(std::string(written->begin(), written->end()), log);
    }

    static void ExpectRecord(const std::wstring& dir)
    {
        EXPECT_EQ(RecordValue(L"ver"), std::optional<std::wstring>(L"1.00"));
        EXPECT_EQ(RecordValue(L"path"), std::optional<std::wstring>(dir));
    }

    static void ExpectShortcuts(const std::wstring& dir)
    {
        EXPECT_EQ(LinkTarget(DesktopLink()), std::optional<std::wstring>(dir + L"ombrel.exe"));
        EXPECT_EQ(LinkTarget(MenuFolder() + L"\\Ombrel.lnk"), std::optional<std::wstring>(dir + L"ombrel.exe"));
        EXPECT_EQ(LinkTarget(MenuFolder() + L"\\卸载.lnk"), std::optional<std::wstring>(dir + L"uninstall.exe"));
    }

    // The product in `dir` was started once, with the readme address.
    void ExpectProductStarted(const std::wstring& dir)
    {
        const std::wstring record = dir + L"started.txt";
        std::optional<Bytes> started;
        const bool complete = gui::WaitUntil([&] {
            started = ReadFileBytes(record);
            return started && started->size() >= 2 && started->back() == '\n';
        });
        ASSERT_TRUE(complete) << "the product did not start";
        // The product shows its command line once it has recorded it.
        if (gui::WaitUntil([] { return FindWindowW(L"#32770", kProductBoxCaption.c_str()) != nullptr; }, 5000))
            Shot(L"7-product");
        const std::wstring line = WideFromUtf8(std::string(started->begin(), started->end()));
        EXPECT_EQ(line, L"\"" + dir + L"ombrel.exe\" " + kReadme + L"\r\n");
        CloseProductWindows();
    }

    static void ExpectProductNotStarted(const std::wstring& dir)
    {
        EXPECT_FALSE(gui::WaitUntil([&] { return PathExists(dir + L"started.txt"); }, kNoStartWaitMs))
            << "the product was started";
        EXPECT_EQ(FindWindowW(L"#32770", kProductBoxCaption.c_str()), nullptr);
    }

    // Nothing of the product anywhere: folders, record, shortcuts.
    static void ExpectNoTrace()
    {
        EXPECT_FALSE(PathExists(kDefaultDir));
        EXPECT_FALSE(MakerKeyExists());
        EXPECT_FALSE(PathExists(DesktopLink()));
        EXPECT_FALSE(PathExists(MenuFolder()));
    }

    CComApartment m_apartment;
    gui::Process m_process;
    std::wstring m_name;
    std::wstring m_work;
    std::wstring m_shots;
    std::vector<PackagedFile> m_files;
    std::vector<std::int32_t> m_zeroSizes;
    // The case of a test that walks the wizard more than once.
    std::wstring m_case;
};

} // namespace

namespace {

struct ProgressBar {
    int position = 0;
    int upper = 0;
};

std::optional<ProgressBar> ReadProgressBar(HWND page)
{
    const HWND bar = GetDlgItem(page, IDC_PROGRESS);
    DWORD_PTR position = 0;
    DWORD_PTR upper = 0;
    if (!bar || !SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position) ||
        !SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &upper))
        return std::nullopt;
    return ProgressBar{static_cast<int>(position), static_cast<int>(upper)};
}

TEST_F(WizardTest, DefaultFolderInstallsEverythingAndStartsTheProduct)
{
    WriteProductPackage();
    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));

    const HWND finish = WaitFinishPage();
    ASSERT_TRUE(finish);
    ExpectSucceeded(finish);
    ExpectInstalled(kDefaultDir);
    ExpectRecord(kDefaultDir);
    ExpectShortcuts(kDefaultDir);

    Finish(finish);
    ExpectProductStarted(kDefaultDir);
}

TEST_F(WizardTest, TypedFolderGetsEverythingAndProgramFilesNothing)
{
    WriteProductPackage();
    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, L"C:\\Apps", L"C:\\Apps\\"));

    const HWND finish = WaitFinishPage();
    ASSERT_TRUE(finish);
    ExpectSucceeded(finish);
    ExpectInstalled(L"C:\\Apps\\");
    EXPECT_FALSE(PathExists(kDefaultDir));
    ExpectRecord(L"C:\\Apps\\");
    ExpectShortcuts(L"C:\\Apps\\");

    Finish(finish);
    ExpectProductStarted(L"C:\\Apps\\");
}

TEST_F(WizardTest, LeavingBeforeInstallingLeavesNoTrace)
{
    WriteProductPackage();
    const struct {
        const wchar_t* name;
        bool onTargetPage;
        bool (*leave)(HWND page);
    } ways[] = {
        {L"license-exit", false, [](HWND page) { return gui::ClickButton(page, IDCANCEL); }},
        {L"license-escape", false, [](HWND page) { return gui::PressKey(page, VK_ESCAPE); }},
        {L"target-cancel", true, [](HWND page) { return gui::ClickButton(page, IDCANCEL); }},
        {L"target-close-box", true, [](HWND page) { return gui::PostSysCommand(page, SC_CLOSE); }},
    };
    for (const auto& way : ways) {
        m_case = way.name;
        SCOPED_TRACE(std::string(m_case.begin(), m_case.end()));
        const HWND page = way.onTargetPage ? OpenTargetPage() : OpenLicensePage();
        ASSERT_TRUE(page);
        ASSERT_TRUE(way.leave(page));
        ExpectExited();
        ExpectNoTrace();
    }
}

TEST_F(WizardTest, RefusedPathsAndNoKeepTheTargetPageOpen)
{
    WriteProductPackage();
    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);

    const struct {
        const wchar_t* path;
        const wchar_t* step;
    } refused[] = {
        {L"\\\\server\\share\\x", L"5-refused-unc"},
        {L"C:\\a*b", L"5-refused-wildcard"},
    };
    for (const auto& path : refused) {
        SCOPED_TRACE(std::string(path.step, path.step + wcslen(path.step)));
        ASSERT_TRUE(gui::SetControlText(target, IDC_TARGET_PATH, path.path));
        ASSERT_NO_FATAL_FAILURE(ExpectRefused(target, kBadPathMessage, path.step));
    }

    // A folder whose name is Chinese travels as code page 936 text through
    // the installation, the record and the shortcuts.
    const std::wstring dir = L"C:\\应用程序\\Ombrel\\";
    ASSERT_TRUE(gui::SetControlText(target, IDC_TARGET_PATH, L"C:\\应用程序\\Ombrel"));
    ASSERT_TRUE(gui::ClickButton(target, IDOK));
    ASSERT_TRUE(Answer(kConfirmPrefix + dir, IDNO, L"4-confirm-no"));
    EXPECT_TRUE(gui::WaitForEnabled(target, true));
    EXPECT_EQ(FindPage(TargetPage()), target);
    EXPECT_EQ(ControlText(target, IDC_TARGET_PATH), L"C:\\应用程序\\Ombrel");
    EXPECT_EQ(FindPage(ProgressPage()), nullptr);
    EXPECT_FALSE(PathExists(dir));

    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, dir));
    const HWND finish = WaitFinishPage();
    ASSERT_TRUE(finish);
    ExpectSucceeded(finish);
    ExpectInstalled(dir);
    ExpectRecord(dir);
    ExpectShortcuts(dir);

    // Unticked, 完成 only ends the program.
    const HWND run = GetDlgItem(finish, IDC_RUN_PRODUCT);
    ASSERT_TRUE(gui::ClickButton(finish, IDC_RUN_PRODUCT));
    EXPECT_TRUE(gui::WaitUntil([run] {
        DWORD_PTR state = BST_CHECKED;
        return SendMessageTimeoutW(run, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state) && state == BST_UNCHECKED;
    }));
    Shot(L"6-finish-unticked");
    Finish(finish);
    ExpectProductNotStarted(dir);
}

TEST_F(WizardTest, RunningOldVersionMustBeClosedFirst)
{
    WriteProductPackage();
    const std::wstring oldExe = kDefaultDir + L"ombrel.exe";
    std::error_code error;
    std::filesystem::create_directories(kDefaultDir, error);
    const Bytes oldBytes = {'o', 'l', 'd'};
    ASSERT_TRUE(WriteFileBytes(oldExe, oldBytes));
    // As a running program holds its file: readable, not deletable.
    gui::UniqueHandle running(CreateFileW(oldExe.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running);

    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_TRUE(gui::ClickButton(target, IDOK));
    ASSERT_TRUE(Answer(kConfirmPrefix + kDefaultDir, IDYES, L"4-confirm"));
    ASSERT_TRUE(Answer(kOldVersionMessage, IDOK, L"5-old-version"));
    EXPECT_TRUE(gui::WaitForEnabled(target, true));
    EXPECT_EQ(FindPage(TargetPage()), target);
    EXPECT_EQ(ControlText(target, IDC_TARGET_PATH), kDefaultDir);
    EXPECT_EQ(FindPage(ProgressPage()), nullptr);
    EXPECT_EQ(ReadFileBytes(oldExe), std::optional<Bytes>(oldBytes));

    // The old version has been closed: the same page now goes on.
    running.Reset();
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));
    const HWND finish = WaitFinishPage();
    ASSERT_TRUE(finish);
    ExpectSucceeded(finish);
    ExpectInstalled(kDefaultDir);
    Finish(finish);
    ExpectProductStarted(kDefaultDir);
}

// Packages the installation cannot complete: the format message, then the
// finish page reports the failure and starts nothing.
struct FailureCase {
    const char* name;
    // Writes the package (or not) for the product files.
    bool (*prepare)(const std::wstring& packagePath, const std::vector<PackagedFile>& files);
    // How many of the files, in package order, are installed before it fails.
    std::size_t installedFiles;
};

class WizardFailureTest : public WizardTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(WizardFailureTest, FormatMessageThenFailurePage)
{
    const FailureCase& failure = GetParam();
    m_files = ProductFiles();
    ASSERT_TRUE(failure.prepare(PackagePath(), m_files));

    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));
    ASSERT_TRUE(Answer(kFormatMessage, IDOK, L"5-format"));

    const HWND finish = WaitFinishPage();
    ASSERT_TRUE(finish);
    ExpectFailed(finish);
    ExpectRecord(kDefaultDir);
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        SCOPED_TRACE(m_files[i].name);
        const std::optional<Bytes> installed = ReadFileBytes(kDefaultDir + WideFrom936(m_files[i].name));
        if (i < failure.installedFiles) {
            EXPECT_EQ(installed, std::optional<Bytes>(m_files[i].content));
        } else if (i > failure.installedFiles) {
            EXPECT_FALSE(installed);
        }
    }
    if (failure.installedFiles == 0) {
        EXPECT_FALSE(PathExists(kDefaultDir));
    }
    EXPECT_FALSE(PathExists(DesktopLink()));
    EXPECT_FALSE(PathExists(MenuFolder()));

    Finish(finish);
    ExpectProductNotStarted(kDefaultDir);
}

std::vector<testpkg::File> AsPackageFiles(const std::vector<PackagedFile>& files)
{
    std::vector<testpkg::File> out;
    for (const PackagedFile& file : files)
        out.push_back({file.name, file.content});
    return out;
}

const FailureCase kFailures[] = {
    {"NoPackage", [](const std::wstring&, const std::vector<PackagedFile>&) { return true; }, 0},
    {"BadSignature",
     [](const std::wstring& path, const std::vector<PackagedFile>& files) {
         Bytes bytes = testpkg::Package(AsPackageFiles(files));
         bytes[4] = 'X';
         bytes[5] = 'K';
         return WriteFileBytes(path, bytes);
     },
     0},
    // Ends inside the last file: the product program before it is complete
    // on disk, yet must not be started.
    {"CutShort",
     [](const std::wstring& path, const std::vector<PackagedFile>& files) {
         Bytes bytes = testpkg::Package(AsPackageFiles(files));
         bytes.resize(bytes.size() - 10);
         return WriteFileBytes(path, bytes);
     },
     5},
};

INSTANTIATE_TEST_SUITE_P(Packages, WizardFailureTest, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

// A package refused at once can beat the progress page's activation: the
// message must still belong to the page and keep it disabled, or a click on
// the page would raise it over the message. Walked several times because
// the race is not won every time.
TEST_F(WizardTest, FormatMessageIsModalToTheProgressPage)
{
    for (int walk = 1; walk <= 5; ++walk) {
        m_case = L"walk" + std::to_wstring(walk);
        SCOPED_TRACE(walk);
        const HWND target = OpenTargetPage();
        ASSERT_TRUE(target);
        ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));
        const HWND box = gui::WaitForMessageBox(m_process.Id(), kFormatMessage);
        ASSERT_TRUE(box);
        const HWND progress = WaitPage(ProgressPage());
        ASSERT_TRUE(progress);
        EXPECT_EQ(GetWindow(box, GW_OWNER), progress);
        EXPECT_FALSE(gui::WaitUntil([progress] { return IsWindowEnabled(progress) != FALSE; }, 500));
        ASSERT_TRUE(Answer(kFormatMessage, IDOK, L"5-format"));
        const HWND finish = WaitFinishPage();
        ASSERT_TRUE(finish);
        Finish(finish);
    }
}

// Big enough that the progress page stays up for several seconds under Wine.
const std::vector<std::int32_t> kLargeInstallation = {96 * 1024 * 1024};

TEST_F(WizardTest, CloseBoxDuringInstallationAsksToWait)
{
    WriteProductPackage(kLargeInstallation);
    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));

    const auto started = std::chrono::steady_clock::now();
    const HWND progress = WaitPage(ProgressPage());
    ASSERT_TRUE(progress);
    const std::optional<ProgressBar> early = ReadProgressBar(progress);
    ASSERT_TRUE(early);
    ASSERT_LT(early->position, early->upper / 2) << "the installation is too quick to test: make it larger";
    Shot(L"5-progress");

    ASSERT_TRUE(gui::PostSysCommand(progress, SC_CLOSE));
    ASSERT_TRUE(Answer(kWaitMessage, IDOK, L"5-wait"));
    const std::optional<ProgressBar> after = ReadProgressBar(progress);
    ASSERT_TRUE(after) << "the progress page closed";
    EXPECT_LT(after->position, after->upper) << "the installation ended before the page could be checked";
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(FindPage(FinishPage()), nullptr);

    const HWND finish = WaitFinishPage(120000);
    ASSERT_TRUE(finish);
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("installation took %.1f s\n", seconds);
    ExpectSucceeded(finish);
    ExpectInstalled(kDefaultDir);
    Finish(finish);
    ExpectProductStarted(kDefaultDir);
}

TEST_F(WizardTest, EscapeAndEnterDoNotEndTheInstallation)
{
    WriteProductPackage(kLargeInstallation);
    const HWND target = OpenTargetPage();
    ASSERT_TRUE(target);
    ASSERT_NO_FATAL_FAILURE(ChooseTarget(target, {}, kDefaultDir));

    const HWND progress = WaitPage(ProgressPage());
    ASSERT_TRUE(progress);
    const std::optional<ProgressBar> early = ReadProgressBar(progress);
    ASSERT_TRUE(early);
    ASSERT_LT(early->position, early->upper / 2) << "the installation is too quick to test: make it larger";

    for (const UINT key : {UINT{VK_ESCAPE}, UINT{VK_RETURN}}) {
        ASSERT_TRUE(gui::PressKey(progress, key));
        Sleep(500);
        EXPECT_TRUE(IsWindowVisible(progress)) << "key " << key;
        EXPECT_EQ(FindPage(FinishPage()), nullptr) << "key " << key;
        EXPECT_EQ(gui::WaitForMessageBox(m_process.Id(), {}, 0), nullptr) << "key " << key;
    }
    const std::optional<ProgressBar> after = ReadProgressBar(progress);
    ASSERT_TRUE(after);
    EXPECT_LT(after->position, after->upper) << "the installation ended before the page could be checked";
    Shot(L"5-progress-after-keys");

    // Had a key ended the page early, the finish page would report failure.
    const HWND finish = WaitFinishPage(120000);
    ASSERT_TRUE(finish);
    ExpectSucceeded(finish);
    ExpectInstalled(kDefaultDir);
    Finish(finish);
    ExpectProductStarted(kDefaultDir);
}

} // namespace
