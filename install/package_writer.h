#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_stream.h"
#include "install/package_format.h"

// Writes a package in its stored order: header, every entry, then contents.
// The caller writes exactly the announced bytes; the writer only encodes.
class CPackageWriter {
public:
    explicit CPackageWriter(IByteSink& sink) : m_sink(sink) {}
    CPackageWriter(const CPackageWriter&) = delete;
    CPackageWriter& operator=(const CPackageWriter&) = delete;

    bool WriteHeader(std::int32_t count);
    bool WriteEntry(const PackageEntry& entry);
    bool WriteContent(const void* data, std::size_t size);

private:
    IByteSink& m_sink;
};
