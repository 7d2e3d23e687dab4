#pragma once

#include <cstddef>

// The two directions of a byte stream. The package reader and writer speak
// only to these, so the same code runs over a Win32 file, a POSIX file or a
// buffer in a test.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    // Reads up to `size` bytes. Returns false on an I/O error; otherwise
    // `delivered` is the number of bytes read, 0 only at the end of the data.
    virtual bool Read(void* buffer, std::size_t size, std::size_t& delivered) = 0;
};

class IByteSink {
public:
    virtual ~IByteSink() = default;
    // Writes all `size` bytes, or returns false.
    virtual bool Write(const void* data, std::size_t size) = 0;
};

// Reads until `size` bytes are delivered or the data ends. Returns false on an
// I/O error; `delivered` then holds what was read before it.
bool ReadFully(IByteSource& source, void* buffer, std::size_t size, std::size_t& delivered);
