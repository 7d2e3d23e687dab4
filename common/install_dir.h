#pragma once

#include <string>

// The chosen target directory, in the ANSI code page, ending in a backslash.
// Set once by the target directory page before the installation starts;
// only read afterwards.
extern std::string g_strInstallDir;

// Makes the setup program's own folder (up to and including the last
// backslash of its module path) the working directory and returns it.
// Returns an empty string, changing nothing, if the path cannot be had.
std::string GetInstallerDir();

// Creates every folder on the way to the last backslash of `path`, shortest
// first. Backslashes before index 3 are skipped, so a drive root is never
// passed on; what follows the last backslash (a file name) is not created.
// Failures are ignored: they surface when the file is opened. Returns 0.
int CreateDirectoryChain(std::string path);

// CreateDirectoryChain for the files of one installation, in order. Levels
// that the previous call created or passed are not asked for again, so the
// files of one folder cost the system nothing: only the levels where a path
// leaves the previous one are created.
class CFolderMaker {
public:
    void CreateFor(const std::string& path);

private:
    // The previous path up to and including its last backslash.
    std::string m_passed;
};
