#include "location/target_dir.h"

#include <shlobj.h>

#include "common/code_page.h"
#include "common/install_dir.h"
#include "location/target_rules.h"
#include "platform/com.h"
#include "platform/file_find.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

// Lets the file system finish deleting before the second look.
constexpr DWORD kDeleteSettleMs = 100;

CodePage AnsiCodePage()
{
    return CodePage(GetACP());
}

// The variable's whole value in the ANSI code page; nothing when it is
// missing, empty or not representable. Read in UTF-16 and converted here
// because Wine's ANSI variant cuts values with double-byte characters short.
std::optional<std::string> AnsiEnvironmentValue(const wchar_t* name)
{
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    if (length == 0 || length >= needed)
        return std::nullopt;
    value.resize(length);
    return AnsiFromWide(value);
}

bool FileMatches(const std::string& path)
{
    CFileFind find;
    return find.FindFile(path);
}

} // namespace

std::string DefaultTargetDir()
{
    return DefaultTargetFrom(AnsiEnvironmentValue(L"ProgramFiles"), AnsiCodePage());
}

std::optional<std::string> TargetFromPickedFolder(HWND owner)
{
    const CComApartment apartment;
    // The wide dialog shows our title whatever the ANSI code page.
    const std::wstring title = WideFromUtf8(kBrowseTitle).value_or(std::wstring());
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title.c_str();

    // The item list comes from the shell allocator, which is the COM task
    // allocator on every supported Windows: CoTaskMemFree releases it, and
    // there is no allocator to fail to obtain.
    CCoTaskMem<ITEMIDLIST> items;
    *items.Receive() = SHBrowseForFolderW(&browse);
    if (!items.Get())
        return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(items.Get(), path) || path[0] == L'\0')
        return std::nullopt;
    // A folder whose name the code page cannot hold has no ANSI path to
    // install to.
    const std::optional<std::string> folder = AnsiFromWide(path);
    if (!folder)
        return std::nullopt;

    std::string target = AppendProductFolder(*folder, AnsiCodePage());
    GetInstallerDir();
    return target;
}

bool AcceptTargetDir(const std::string& pathBoxText)
{
    const CodePage codePage = AnsiCodePage();
    const std::optional<std::string> target = NormalisedTarget(pathBoxText, codePage);
    const std::optional<std::wstring> prefix = WideFromUtf8(kConfirmTargetPrefix);
    const std::optional<std::wstring> widePath = target ? WideFromAnsi(*target) : std::nullopt;
    // A path that cannot be shown cannot be confirmed.
    if (!target || !prefix || !widePath) {
        AfxMessageBox(kBadTargetMessage, 0);
        return false;
    }

    if (AfxMessageBox(*prefix + *widePath, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return false;

    // A program still running from the target cannot be deleted: the sign
    // of an old version that has to be closed first.
    const std::string oldExe = OldProductExe(*target);
    if (FileMatches(oldExe)) {
        DeleteFileA(oldExe.c_str());
        Sleep(kDeleteSettleMs);
        if (FileMatches(oldExe)) {
            AfxMessageBox(kOldVersionRunningMessage, MB_OK | MB_ICONINFORMATION);
            return false;
        }
    }

    g_strInstallDir = *target;
    return true;
}
