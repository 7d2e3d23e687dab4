#include "install/package_format.h"

#include <cstring>

namespace {

void PutInt32(unsigned char* out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(bits);
    out[1] = static_cast<unsigned char>(bits >> 8);
    out[2] = static_cast<unsigned char>(bits >> 16);
    out[3] = static_cast<unsigned char>(bits >> 24);
}

std::int32_t GetInt32(const unsigned char* in)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
                               (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

std::string_view PackageEntry::Name() const
{
    const void* end = std::memchr(name, 0, sizeof name);
    const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - name) : sizeof name;
    return std::string_view(name, length);
}

void EncodeHeader(const PackageHeader& header, unsigned char (&bytes)[kHeaderSize])
{
    PutInt32(bytes, header.version);
    std::memcpy(bytes + 4, header.signature, 2);
    std::memcpy(bytes + 6, header.reserved, sizeof header.reserved);
    PutInt32(bytes + 24, header.count);
}

PackageHeader DecodeHeader(const unsigned char (&bytes)[kHeaderSize])
{
    PackageHeader header;
    header.version = GetInt32(bytes);
    std::memcpy(header.signature, bytes + 4, 2);
    std::memcpy(header.reserved, bytes + 6, sizeof header.reserved);
    header.count = GetInt32(bytes + 24);
    return header;
}

bool IsValidHeader(const PackageHeader& header)
{
    return header.version == kPackageVersion && header.signature[0] == kPackageSignature[0] &&
           header.signature[1] == kPackageSignature[1];
}

std::int32_t EntryCount(const PackageHeader& header)
{
    return header.count > 0 ? header.count : 0;
}

void EncodeEntry(const PackageEntry& entry, unsigned char (&bytes)[kEntrySize])
{
    PutInt32(bytes, entry.size);
    std::memcpy(bytes + 4, entry.name, kNameFieldSize);
}

PackageEntry DecodeEntry(const unsigned char (&bytes)[kEntrySize])
{
    PackageEntry entry;
    entry.size = GetInt32(bytes);
    std::memcpy(entry.name, bytes + 4, kNameFieldSize);
    return entry;
}
