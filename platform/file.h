#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "common/byte_stream.h"

#ifdef _WIN32
using NativeFileHandle = void*;
#else
using NativeFileHandle = int;
#endif

// An open file, owned: closed by Close() or the destructor on every path.
// On Windows a file is opened without sharing, so it is held exclusively
// while open; the same interface over a POSIX descriptor lets the package
// code and its tools run on Linux.
class CFile final : public IByteSource, public IByteSink {
public:
    enum class Mode {
        Read,        // existing file, binary reading
        CreateWrite, // create or truncate, binary writing
    };

    CFile() = default;
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // `path` is in the ANSI code page on Windows, as the installer handles it.
    bool Open(const char* path, Mode mode);
    // A path in the file system's own form (UTF-16 on Windows).
    bool Open(const std::filesystem::path& path, Mode mode);
    bool IsOpen() const;
    // Returns false when closing reported an error (data not flushed).
    bool Close();

    bool Read(void* buffer, std::size_t size, std::size_t& delivered) override;
    bool Write(const void* data, std::size_t size) override;

private:
    NativeFileHandle m_handle = kInvalid;
#ifdef _WIN32
    static inline const NativeFileHandle kInvalid = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
    static constexpr NativeFileHandle kInvalid = -1;
#endif
};
