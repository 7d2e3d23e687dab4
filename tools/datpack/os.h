#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "tools/datpack/code_page_text.h"

// What datpack needs from the operating system beyond the portable core.
// os_posix.cpp and os_win32.cpp implement it.

// The arguments after the program name, as UTF-8. On Windows they come from
// the wide command line, so paths outside the ANSI code page survive.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Lets the console show UTF-8 output (Windows); nothing to do on POSIX.
void PrepareConsole();
bool StderrIsTerminal();
// The last system error (errno or GetLastError) as a short phrase.
std::string LastErrorText();

// While watching, Ctrl+C (and SIGTERM, SIGHUP on POSIX) only raise a flag
// that long loops poll, so they fail through their normal clean-up path and
// an interrupted run leaves no partial file behind.
void WatchForInterrupt();
void StopWatchingForInterrupt();
bool Interrupted();

// The folder extraction writes into. Files are only ever created below it:
// folders on the way are created or entered without following symbolic
// links, and an existing file that is a link is refused, not written through.
class CTargetDir final : public IByteSink {
public:
    CTargetDir();
    ~CTargetDir() override;
    CTargetDir(const CTargetDir&) = delete;
    CTargetDir& operator=(const CTargetDir&) = delete;

    // Opens `root`, creating it and its parents if missing.
    bool Open(const std::filesystem::path& root, std::string& error);
    // Creates or truncates the file named by `components` (folders, then the
    // file name) below the root; Write() then appends to it.
    bool StartFile(const std::vector<NativeString>& components, std::string& error);
    bool Write(const void* data, std::size_t size) override;
    // Returns false if the file could not be completed.
    bool FinishFile();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
