#include "tools/datpack/os.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareConsole() {}

bool StderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

std::string LastErrorText()
{
    return std::strerror(errno);
}

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void NoteInterrupt(int)
{
    g_interrupted = 1;
}

int OpenFollowingNothing(int folder, const std::string& name, int flags)
{
    int fd;
    do {
        fd = openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

void WatchForInterrupt()
{
    g_interrupted = 0;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signalNumber, NoteInterrupt);
}

void StopWatchingForInterrupt()
{
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signalNumber, SIG_DFL);
}

bool Interrupted()
{
    return g_interrupted != 0;
}

struct CTargetDir::Impl {
    int root = -1;
    int file = -1;
};

CTargetDir::CTargetDir() : m_impl(std::make_unique<Impl>()) {}

CTargetDir::~CTargetDir()
{
    FinishFile();
    if (m_impl->root >= 0)
        close(m_impl->root);
}

bool CTargetDir::Open(const std::filesystem::path& root, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    if (ec) {
        error = "cannot create folder " + root.u8string() + ": " + ec.message();
        return false;
    }
    // The root itself may be a link: the user named it.
    m_impl->root = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_impl->root < 0) {
        error = "cannot open folder " + root.u8string() + ": " + LastErrorText();
        return false;
    }
    return true;
}

bool CTargetDir::StartFile(const std::vector<NativeString>& components, std::string& error)
{
    FinishFile();
    int folder = m_impl->root;
    std::string walked;
    auto leave = [&]() {
        if (folder != m_impl->root)
            close(folder);
    };
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        const std::string& name = components[i];
        walked += name + "/";
        int next = OpenFollowingNothing(folder, name, O_RDONLY | O_DIRECTORY);
        if (next < 0 && errno == ENOENT) {
            if (mkdirat(folder, name.c_str(), 0755) != 0 && errno != EEXIST) {
                error = "cannot create folder " + walked + ": " + LastErrorText();
                leave();
                return false;
            }
            next = OpenFollowingNothing(folder, name, O_RDONLY | O_DIRECTORY);
        }
        if (next < 0) {
            const bool notAFolder = errno == ELOOP || errno == ENOTDIR;
            error = notAFolder ? walked + " exists and is a symbolic link or not a folder"
                               : "cannot open folder " + walked + ": " + LastErrorText();
            leave();
            return false;
        }
        leave();
        folder = next;
    }

    const std::string& name = components.back();
    const std::string shown = walked + name;
    // Non-blocking so that a FIFO planted here fails instead of hanging;
    // not truncating until it is known to be a plain file of our own.
    const int fd = OpenFollowingNothing(folder, name, O_WRONLY | O_CREAT | O_NONBLOCK);
    const int openError = errno;
    leave();
    if (fd < 0) {
        error = openError == ELOOP ? shown + " exists and is a symbolic link"
                                   : "cannot create " + shown + ": " + std::strerror(openError);
        return false;
    }
    struct stat info {};
    const bool ownPlainFile = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
    if (!ownPlainFile) {
        close(fd);
        error = shown + " exists and is not a plain file with a single link";
        return false;
    }
    // A new file is empty already. Truncating it anyway is not free: ext4
    // then starts writing the file out when it is closed, once per file.
    if ((info.st_size > 0 && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, 0) != 0) {
        error = "cannot write " + shown + ": " + LastErrorText();
        close(fd);
        return false;
    }
    m_impl->file = fd;
    return true;
}

bool CTargetDir::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = write(m_impl->file, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CTargetDir::FinishFile()
{
    if (m_impl->file < 0)
        return true;
    const int result = close(m_impl->file);
    m_impl->file = -1;
    return result == 0;
}
