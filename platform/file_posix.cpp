#include "platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

CFile::~CFile()
{
    Close();
}

bool CFile::Open(const char* path, Mode mode)
{
    Close();
    const int flags = mode == Mode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
    do {
        m_handle = ::open(path, flags | O_CLOEXEC, 0644);
    } while (m_handle < 0 && errno == EINTR);
    return IsOpen();
}

bool CFile::Open(const std::filesystem::path& path, Mode mode)
{
    return Open(path.c_str(), mode);
}

bool CFile::IsOpen() const
{
    return m_handle != kInvalid;
}

bool CFile::Close()
{
    if (!IsOpen())
        return true;
    const int result = ::close(m_handle);
    m_handle = kInvalid;
    return result == 0;
}

bool CFile::Read(void* buffer, std::size_t size, std::size_t& delivered)
{
    delivered = 0;
    ssize_t got;
    do {
        got = ::read(m_handle, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return false;
    delivered = static_cast<std::size_t>(got);
    return true;
}

bool CFile::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_handle, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}
