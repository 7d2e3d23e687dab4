#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "common/code_page.h"
#include "install/entry_name.h"
#include "install/package_format.h"

enum class PackageFault {
    None,
    ReadFailed,       // the source reported an I/O error
    BadHeader,        // version is not 1 or the signature is not "KX"
    TruncatedTable,   // the file ends inside the entry table
    BadName,          // an entry name breaks the name rules
    TruncatedContent, // the file ends inside an entry's contents
};

// What went wrong and where: the entry concerned (-1 for the header) and the
// file offset at which reading stopped.
struct PackageProblem {
    PackageFault fault = PackageFault::None;
    std::int64_t entryIndex = -1;
    std::uint64_t offset = 0;
    NameFault nameFault = NameFault::None;

    std::string Describe() const;
};

// Reads a package front to back, once, in constant memory apart from the
// entry table. The whole table is read and every name checked before the
// caller is given the entries, so nothing is written for a package whose
// table is broken.
class CPackageReader {
public:
    CPackageReader(IByteSource& source, const CodePage& codePage);
    CPackageReader(const CPackageReader&) = delete;
    CPackageReader& operator=(const CPackageReader&) = delete;

    // A file shorter than the header reads as if padded with zeros, so a
    // valid six-byte start is a header with no entries.
    bool ReadHeader();
    // Entries announced by the header (0 when it says 0 or less).
    std::int32_t Count() const { return m_count; }

    // Replaces `entries` with the whole entry table.
    bool ReadEntries(std::vector<PackageEntry>& entries);

    // Reads the next part of entry `index`'s contents into `buffer`. Calls
    // must follow table order. Delivers at least one byte or fails: the end
    // of the file here is a truncated package.
    bool ReadContent(std::int64_t index, void* buffer, std::size_t size, std::size_t& delivered);

    const PackageProblem& Problem() const { return m_problem; }
    std::uint64_t Offset() const { return m_offset; }

private:
    bool Fail(PackageFault fault, std::int64_t entryIndex, NameFault nameFault = NameFault::None);

    IByteSource& m_source;
    CodePage m_codePage;
    std::int32_t m_count = 0;
    std::uint64_t m_offset = 0;
    PackageProblem m_problem;
};

// Sum of the content bytes of all entries, in 64 bits: a package may hold
// more than 2 GiB in total.
std::uint64_t TotalContentBytes(const std::vector<PackageEntry>& entries);
