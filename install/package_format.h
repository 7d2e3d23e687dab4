#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// data.dat: a 28-byte header, `count` entries of 264 bytes, then the entries'
// contents back to back in table order. Integers are 32-bit little-endian
// two's complement on every host.
inline constexpr std::size_t kHeaderSize = 28;
inline constexpr std::size_t kEntrySize = 264;
inline constexpr std::size_t kNameFieldSize = 260;
inline constexpr std::size_t kMaxNameLength = kNameFieldSize - 1;
inline constexpr std::int32_t kPackageVersion = 1;
inline constexpr char kPackageSignature[2] = {'K', 'X'};
// Contents are copied in chunks of this size; progress moves once per chunk.
inline constexpr std::size_t kCopyChunkSize = 30720;

// Bytes to request next while `left` content bytes of an entry remain.
inline std::size_t NextChunkSize(std::uint64_t left)
{
    return left < kCopyChunkSize ? static_cast<std::size_t>(left) : kCopyChunkSize;
}

struct PackageHeader {
    std::int32_t version = kPackageVersion;
    char signature[2] = {kPackageSignature[0], kPackageSignature[1]};
    unsigned char reserved[18] = {};
    std::int32_t count = 0;
};

// One entry record as stored. `name` holds the relative path, backslash
// separated, in the packer's ANSI code page; it is checked to contain its
// terminator before anything uses it as text.
struct PackageEntry {
    std::int32_t size = 0;
    char name[kNameFieldSize] = {};

    std::string_view Name() const;
    // Content bytes the entry owns: sizes of 0 or less own none.
    std::uint64_t ContentBytes() const { return size > 0 ? static_cast<std::uint64_t>(size) : 0; }
};

void EncodeHeader(const PackageHeader& header, unsigned char (&bytes)[kHeaderSize]);
PackageHeader DecodeHeader(const unsigned char (&bytes)[kHeaderSize]);
bool IsValidHeader(const PackageHeader& header);
// Entries the header announces: a count of 0 or less means none.
std::int32_t EntryCount(const PackageHeader& header);

void EncodeEntry(const PackageEntry& entry, unsigned char (&bytes)[kEntrySize]);
PackageEntry DecodeEntry(const unsigned char (&bytes)[kEntrySize]);

// Offset of entry `index` in the file, and of the content area.
inline std::uint64_t EntryOffset(std::int64_t index)
{
    return kHeaderSize + kEntrySize * static_cast<std::uint64_t>(index);
}
