#pragma once

// Builds package bytes by hand for tests, independently of CPackageWriter,
// so that reader and writer are each checked against the format itself.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/byte_stream.h"

namespace testpkg {

using Bytes = std::vector<unsigned char>;

inline void PutLe32(Bytes& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(bits >> shift));
}

inline Bytes Header(std::int32_t count, std::int32_t version = 1, const char* signature = "KX")
{
    Bytes out;
    PutLe32(out, version);
    out.push_back(static_cast<unsigned char>(signature[0]));
    out.push_back(static_cast<unsigned char>(signature[1]));
    out.insert(out.end(), 18, 0xEE); // reserved bytes are never interpreted
    PutLe32(out, count);
    return out;
}

// A 264-byte entry; `name` is copied as raw bytes, zero-padded to 260.
inline Bytes Entry(std::int32_t size, const std::string& name)
{
    Bytes out;
    PutLe32(out, size);
    Bytes field(260, 0);
    std::memcpy(field.data(), name.data(), name.size() < 260 ? name.size() : 260);
    out.insert(out.end(), field.begin(), field.end());
    return out;
}

inline Bytes Content(std::size_t size, unsigned char seed)
{
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<unsigned char>(seed + i * 7);
    return out;
}

struct File {
    std::string name;
    Bytes content;
};

// A complete, well-formed package of `files`.
inline Bytes Package(const std::vector<File>& files)
{
    Bytes out = Header(static_cast<std::int32_t>(files.size()));
    for (const File& file : files) {
        const Bytes entry = Entry(static_cast<std::int32_t>(file.content.size()), file.name);
        out.insert(out.end(), entry.begin(), entry.end());
    }
    for (const File& file : files)
        out.insert(out.end(), file.content.begin(), file.content.end());
    return out;
}

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class CMemorySource final : public IByteSource {
public:
    explicit CMemorySource(Bytes bytes) : m_bytes(std::move(bytes)) {}
    bool Read(void* buffer, std::size_t size, std::size_t& delivered) override
    {
        const std::size_t left = m_bytes.size() - m_at;
        delivered = size < left ? size : left;
        if (delivered > 0)
            std::memcpy(buffer, m_bytes.data() + m_at, delivered);
        m_at += delivered;
        return true;
    }

private:
    Bytes m_bytes;
    std::size_t m_at = 0;
};

class CMemorySink final : public IByteSink {
public:
    bool Write(const void* data, std::size_t size) override
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
        return true;
    }
    const Bytes& Data() const { return m_bytes; }

private:
    Bytes m_bytes;
};

} // namespace testpkg
