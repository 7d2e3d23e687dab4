#include "system/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "common/install_dir.h"
#include "common/product.h"
#include "platform/com.h"
#include "platform/text.h"

namespace {

// Longest shortcut path in bytes: it must fit a 260-byte buffer with its terminator.
constexpr std::size_t kMaxShortcutPath = MAX_PATH - 1;

// The folder's path without a trailing backslash, or nothing when the shell
// cannot name it (then its shortcuts are skipped rather than put elsewhere).
std::optional<std::string> SpecialFolder(int csidl)
{
    CCoTaskMem<ITEMIDLIST> items;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, items.Receive())) || !items.Get())
        return std::nullopt;
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(items.Get(), path) || path[0] == '\0')
        return std::nullopt;
    return std::string(path);
}

bool CreateLink(CComPtr<IShellLinkA>& link, const std::string& target, const char* description)
{
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.ReceiveVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(g_strInstallDir.c_str());
    link->SetDescription(description);
    return true;
}

void SaveLink(IShellLinkA* link, const std::string& path)
{
    if (path.size() > kMaxShortcutPath)
        return;
    const std::optional<std::wstring> widePath = WideFromAnsi(path);
    if (!widePath)
        return;
    CComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return;
    file->Save(widePath->c_str(), TRUE);
}

} // namespace

int CreateShortcuts()
{
    const CComApartment apartment;

    // The uninstaller's Chinese name and description must exist in the ANSI
    // code page; where they do not, that shortcut is left out.
    const std::optional<std::string> uninstallName = AnsiFromUtf8("卸载");

    CComPtr<IShellLinkA> productLink;
    CComPtr<IShellLinkA> uninstallerLink;
    if (!CreateLink(productLink, g_strInstallDir + kProductExe, kProductName) ||
        !CreateLink(uninstallerLink, g_strInstallDir + kUninstallerExe, uninstallName.value_or("").c_str()))
        return 1;

    const std::string productLinkName = std::string(kProductName) + ".lnk";

    if (const std::optional<std::string> desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY))
        SaveLink(productLink.Get(), *desktop + "\\" + productLinkName);

    if (const std::optional<std::string> programs = SpecialFolder(CSIDL_PROGRAMS)) {
        const std::string productFolder = *programs + "\\" + kProductName + "\\";
        const std::string productShortcut = productFolder + productLinkName;
        if (productShortcut.size() <= kMaxShortcutPath)
            CreateDirectoryChain(productShortcut);
        SaveLink(productLink.Get(), productShortcut);
        if (uninstallName)
            SaveLink(uninstallerLink.Get(), productFolder + *uninstallName + ".lnk");
    }
    return 0;
}
