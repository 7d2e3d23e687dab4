#include "install/installer.h"

#include <windows.h>

#include <new>
#include <string>

#include "common/install_dir.h"
#include "common/product.h"
#include "install/package_reader.h"
#include "install/progress_scale.h"
#include "platform/file.h"
#include "system/shortcuts.h"

namespace {

int ResultFor(PackageFault fault)
{
    switch (fault) {
    case PackageFault::TruncatedContent: return INSTALL_E_TRUNCATED;
    case PackageFault::ReadFailed: return INSTALL_E_READ;
    default: return INSTALL_E_FORMAT;
    }
}

} // namespace

int CPackageInstaller::Fail(int result, const char* message)
{
    m_host.ShowMessage(message);
    return result;
}

void CPackageInstaller::FreeEntries()
{
    std::vector<PackageEntry>().swap(m_entries);
}

int CPackageInstaller::InstallFiles()
{
    m_nInstallState = INSTALL_RUNNING;
    GetInstallerDir();

    CFile package;
    if (!package.Open(kPackageFileName, CFile::Mode::Read))
        return Fail(INSTALL_E_NO_PACKAGE, kFormatMessage);

    // The whole table, names included, is read and checked before anything
    // is created, so a broken or hostile package leaves no trace.
    CPackageReader reader(package, CodePage(GetACP()));
    FreeEntries();
    try {
        if (!reader.ReadHeader() || !reader.ReadEntries(m_entries))
            return Fail(ResultFor(reader.Problem().fault), kFormatMessage);
    } catch (const std::bad_alloc&) {
        FreeEntries();
        return Fail(INSTALL_E_OUT_OF_MEMORY, kOutOfMemoryMessage);
    }

    const CProgressScale scale(TotalContentBytes(m_entries));
    m_host.SetProgressRange(scale.Range());

    const std::string logPath = g_strInstallDir + kInstallLogName;
    CFolderMaker folders;
    folders.CreateFor(g_strInstallDir);
    CFile log;
    if (!log.Open(logPath.c_str(), CFile::Mode::CreateWrite))
        return Fail(INSTALL_E_CREATE, kLogCreateMessage);

    std::vector<unsigned char> buffer(kCopyChunkSize);
    std::uint64_t position = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const PackageEntry& entry = m_entries[i];
        const std::string name(entry.Name());
        // The line goes into the log before the file is attempted.
        const std::string line = "[FILE] " + name + "\r\n";
        if (!log.Write(line.data(), line.size()))
            return Fail(INSTALL_E_CREATE, kLogCreateMessage);

        const std::string targetPath = g_strInstallDir + name;
        folders.CreateFor(targetPath);
        m_host.SetStatusText(targetPath);

        CFile target;
        if (!target.Open(targetPath.c_str(), CFile::Mode::CreateWrite))
            return Fail(INSTALL_E_CREATE, kTargetCreateMessage);

        std::uint64_t copied = 0;
        while (copied < entry.ContentBytes()) {
            const std::size_t want = NextChunkSize(entry.ContentBytes() - copied);
            std::size_t delivered = 0;
            if (!reader.ReadContent(static_cast<std::int64_t>(i), buffer.data(), want, delivered))
                return Fail(ResultFor(reader.Problem().fault), kFormatMessage);
            if (!target.Write(buffer.data(), delivered))
                return Fail(INSTALL_E_CREATE, kTargetCreateMessage);
            copied += delivered;
            position += delivered;
            m_host.SetProgressPos(scale.Position(position));
        }
        if (!target.Close())
            return Fail(INSTALL_E_CREATE, kTargetCreateMessage);
    }
    if (!log.Close())
        return Fail(INSTALL_E_CREATE, kLogCreateMessage);

    m_nInstallState = INSTALL_SUCCEEDED;
    FreeEntries();
    CreateShortcuts();
    // The package stays open until here, after the shortcuts.
    return INSTALL_OK;
}
