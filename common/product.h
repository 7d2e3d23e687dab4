#pragma once

#include <cstdint>

// What this setup program installs. Nothing here is configurable at run time.
inline constexpr char kProductName[] = "Ombrel";
inline constexpr char kProductExe[] = "ombrel.exe";
inline constexpr char kUninstallerExe[] = "uninstall.exe";
inline constexpr char kPackageFileName[] = "data.dat";
inline constexpr char kInstallLogName[] = "install.log";
inline constexpr char kRegistryKey[] = "software\\tollvik\\ombrel";
inline constexpr char kRecordedVersion[] = "1.00";
// Given to the product when the finish page starts it: its online readme.
inline constexpr char kReadmeAddress[] = "http://www.tollvik.com/ombrel/readme.asp";

// Installation state, shared by the progress page, the wizard sequence and
// the finish page. Written by the worker thread, read by the interface thread.
enum InstallState : std::int32_t {
    INSTALL_NOT_STARTED = 0,
    INSTALL_SUCCEEDED = 1,
    INSTALL_FAILED = 2,
    INSTALL_RUNNING = 3,
};
