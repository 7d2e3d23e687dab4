#include "common/install_dir.h"

#include <windows.h>

#include <vector>

#include "common/code_page.h"

std::string g_strInstallDir;

std::string GetInstallerDir()
{
    // Module paths may exceed MAX_PATH; grow until the whole path fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }

    const std::string modulePath(buffer.begin(), buffer.end());
    const std::size_t lastBackslash = CodePage(GetACP()).FindLastBackslash(modulePath);
    if (lastBackslash == std::string::npos)
        return std::string();
    std::string folder = modulePath.substr(0, lastBackslash + 1);
    SetCurrentDirectoryA(folder.c_str());
    return folder;
}

int CreateDirectoryChain(std::string path)
{
    CFolderMaker().CreateFor(path);
    return 0;
}

void CFolderMaker::CreateFor(const std::string& path)
{
    const CodePage codePage(GetACP());
    std::size_t last = std::string::npos;
    for (std::size_t at = codePage.FindBackslash(path, 3); at != std::string::npos;
         at = codePage.FindBackslash(path, at + 1)) {
        last = at;
        // Equal bytes up to a separator are equal characters, so a level
        // that the previous path shares was made by the previous call.
        if (at < m_passed.size() && m_passed.compare(0, at + 1, path, 0, at + 1) == 0)
            continue;
        CreateDirectoryA(path.substr(0, at + 1).c_str(), nullptr);
    }
    m_passed = last == std::string::npos ? std::string() : path.substr(0, last + 1);
}
