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

// Opens through create(access, disposition). Most files written are new:
// creating them as new spares Wine the truncation it performs for
// CREATE_ALWAYS even on a new file, which ext4 follows with a write-out when
// the file is closed. An existing file is then truncated as before.
template <typename Create>
HANDLE OpenWith(CFile::Mode mode, Create create)
{
    const OpenArgs args = ArgsFor(mode);
    if (mode == CFile::Mode::CreateWrite) {
        const HANDLE created = create(args.access, static_cast<DWORD>(CREATE_NEW));
        const DWORD error = GetLastError();
        if (created != INVALID_HANDLE_VALUE || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS))
            return created;
    }
    return create(args.access, args.disposition);
}

} // namespace

CFile::~CFile()
{
    Close();
}

bool CFile::Open(const char* path, Mode mode)
{
    Close();
    // No sharing: the file is ours alone until it is closed.
    m_handle = OpenWith(mode, [path](DWORD access, DWORD disposition) {
        return CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    return IsOpen();
}

bool CFile::Open(const std::filesystem::path& path, Mode mode)
{
    Close();
    m_handle = OpenWith(mode, [&path](DWORD access, DWORD disposition) {
        return CreateFileW(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
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
