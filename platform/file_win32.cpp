#include "platform/file.h"

#include <windows.h>

#include <limits>

namespace {

struct OpenArgs {
    DWORD access;
    DWORD disposition;
};

OpenArgs ArgsFor(CFile::Mode mode)
{
    if (mode == CFile::Mode::Read)
        return {GENERIC_READ, OPEN_EXISTING};
    return {GENERIC_WRITE, CREATE_ALWAYS};
}

constexpr DWORD kMaxTransfer = std::numeric_limits<DWORD>::max() / 2;

} // namespace

CFile::~CFile()
{
    Close();
}

bool CFile::Open(const char* path, Mode mode)
{
    Close();
    const OpenArgs args = ArgsFor(mode);
    // No sharing: the file is ours alone until it is closed.
    m_handle = CreateFileA(path, args.access, 0, nullptr, args.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CFile::Open(const std::filesystem::path& path, Mode mode)
{
    Close();
    const OpenArgs args = ArgsFor(mode);
    m_handle = CreateFileW(path.c_str(), args.access, 0, nullptr, args.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CFile::IsOpen() const
{
    return m_handle != kInvalid;
}

bool CFile::Close()
{
    if (!IsOpen())
        return true;
    const BOOL closed = CloseHandle(m_handle);
    m_handle = kInvalid;
    return closed != FALSE;
}

bool CFile::Read(void* buffer, std::size_t size, std::size_t& delivered)
{
    delivered = 0;
    DWORD got = 0;
    const DWORD want = size < kMaxTransfer ? static_cast<DWORD>(size) : kMaxTransfer;
    if (!ReadFile(m_handle, buffer, want, &got, nullptr))
        return false;
    delivered = got;
    return true;
}

bool CFile::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const DWORD want = size < kMaxTransfer ? static_cast<DWORD>(size) : kMaxTransfer;
        DWORD written = 0;
        if (!WriteFile(m_handle, bytes, want, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}
