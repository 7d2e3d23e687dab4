#include "tools/datpack/os.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <io.h>
#include <memory>

#include "platform/file.h"

namespace {

std::string ToUtf8(const wchar_t* text)
{
    return std::filesystem::path(text).u8string();
}

volatile LONG g_interrupted = 0;

BOOL WINAPI NoteInterrupt(DWORD)
{
    InterlockedExchange(&g_interrupted, 1);
    return TRUE;
}

} // namespace

std::vector<std::string> CommandLineArguments(int, char**)
{
    std::vector<std::string> arguments;
    int count = 0;
    // The argument block is the shell's local allocation: freed on every path.
    struct LocalFreer {
        void operator()(LPWSTR* block) const { LocalFree(block); }
    };
    const std::unique_ptr<LPWSTR, LocalFreer> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!wide)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(ToUtf8(wide.get()[i]));
    return arguments;
}

void PrepareConsole()
{
    SetConsoleOutputCP(CP_UTF8);
}

bool StderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

std::string LastErrorText()
{
    return "system error " + std::to_string(GetLastError());
}

void WatchForInterrupt()
{
    InterlockedExchange(&g_interrupted, 0);
    SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

void StopWatchingForInterrupt()
{
    SetConsoleCtrlHandler(NoteInterrupt, FALSE);
}

bool Interrupted()
{
    return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0;
}

struct CTargetDir::Impl {
    std::filesystem::path root;
    CFile file;
};

CTargetDir::CTargetDir() : m_impl(std::make_unique<Impl>()) {}

CTargetDir::~CTargetDir() = default;

bool CTargetDir::Open(const std::filesystem::path& root, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    if (ec || !std::filesystem::is_directory(root, ec)) {
        error = "cannot create folder " + root.u8string() + (ec ? ": " + ec.message() : "");
        return false;
    }
    m_impl->root = root;
    return true;
}

bool CTargetDir::StartFile(const std::vector<NativeString>& components, std::string& error)
{
    FinishFile();
    std::filesystem::path path = m_impl->root;
    std::error_code ec;
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        path /= components[i];
        const auto status = std::filesystem::symlink_status(path, ec);
        if (status.type() == std::filesystem::file_type::not_found) {
            if (!std::filesystem::create_directory(path, ec) && ec) {
                error = "cannot create folder " + path.u8string() + ": " + ec.message();
                return false;
            }
        } else if (std::filesystem::is_symlink(status) || !std::filesystem::is_directory(status)) {
            error = path.u8string() + " exists and is a symbolic link or not a folder";
            return false;
        }
    }
    path /= components.back();
    const auto status = std::filesystem::symlink_status(path, ec);
    if (status.type() != std::filesystem::file_type::not_found && !std::filesystem::is_regular_file(status)) {
        error = path.u8string() + " exists and is not a plain file";
        return false;
    }
    if (!m_impl->file.Open(path, CFile::Mode::CreateWrite)) {
        error = "cannot create " + path.u8string() + ": " + LastErrorText();
        return false;
    }
    return true;
}

bool CTargetDir::Write(const void* data, std::size_t size)
{
    return m_impl->file.Write(data, size);
}

bool CTargetDir::FinishFile()
{
    return m_impl->file.Close();
}
