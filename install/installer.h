#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "install/install_host.h"
#include "install/package_format.h"

// Result codes of InstallFiles.
enum InstallResult : int {
    INSTALL_OK = 0,               // all files and the log written, shortcuts attempted
    INSTALL_E_NO_PACKAGE = 1,     // data.dat could not be opened
    INSTALL_E_FORMAT = 2,         // bad header, cut-short entry table or unsafe entry name
    INSTALL_E_CREATE = 3,         // the log or a target file could not be created or written
    INSTALL_E_TRUNCATED = 4,      // the package ended inside an entry's contents
    INSTALL_E_READ = 5,           // reading the package failed outright
    INSTALL_E_OUT_OF_MEMORY = 6,  // the entry table does not fit in memory
};

// The fixed messages, shown in an OK box before InstallFiles returns.
inline constexpr char kFormatMessage[] = "安装文件格式出错,请检查文件是否受损.";
inline constexpr char kLogCreateMessage[] = "创建文件出错,请检查磁盘空间是否足够.";
inline constexpr char kTargetCreateMessage[] = "创建文件出错,请检查磁盘空间是否足够,或是否有老版本正在运行.";
inline constexpr char kOutOfMemoryMessage[] = "内存不足,无法继续安装.";

// Recreates the packaged files under g_strInstallDir. The progress page owns
// one of these and runs InstallFiles on its worker thread; the state is read
// by the interface thread meanwhile.
class CPackageInstaller {
public:
    explicit CPackageInstaller(IInstallHost& host) : m_host(host) {}
    CPackageInstaller(const CPackageInstaller&) = delete;
    CPackageInstaller& operator=(const CPackageInstaller&) = delete;

    // Reads data.dat from the setup program's folder, writes every file and
    // install.log under g_strInstallDir, reporting progress to the host, then
    // makes the shortcuts. Nothing is rolled back on failure: what was written
    // stays. Returns an InstallResult.
    int InstallFiles();

    // Releases the entry table. Safe on an empty table and when repeated.
    void FreeEntries();

    std::int32_t InstallState() const { return m_nInstallState.load(); }
    void SetInstallState(std::int32_t state) { m_nInstallState.store(state); }
    const std::vector<PackageEntry>& Entries() const { return m_entries; }

private:
    int Fail(int result, const char* message);

    IInstallHost& m_host;
    std::vector<PackageEntry> m_entries;
    std::atomic<std::int32_t> m_nInstallState{0};
};
