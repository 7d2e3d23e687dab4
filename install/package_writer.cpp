#include "install/package_writer.h"

bool CPackageWriter::WriteHeader(std::int32_t count)
{
    PackageHeader header;
    header.count = count;
    unsigned char bytes[kHeaderSize];
    EncodeHeader(header, bytes);
    return m_sink.Write(bytes, sizeof bytes);
}

bool CPackageWriter::WriteEntry(const PackageEntry& entry)
{
    unsigned char bytes[kEntrySize];
    EncodeEntry(entry, bytes);
    return m_sink.Write(bytes, sizeof bytes);
}

bool CPackageWriter::WriteContent(const void* data, std::size_t size)
{
    return size == 0 || m_sink.Write(data, size);
}
