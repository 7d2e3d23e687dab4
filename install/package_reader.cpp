#include "install/package_reader.h"

CPackageReader::CPackageReader(IByteSource& source, const CodePage& codePage)
    : m_source(source), m_codePage(codePage)
{
}

bool CPackageReader::Fail(PackageFault fault, std::int64_t entryIndex, NameFault nameFault)
{
    m_problem.fault = fault;
    m_problem.entryIndex = entryIndex;
    m_problem.offset = m_offset;
    m_problem.nameFault = nameFault;
    return false;
}

bool CPackageReader::ReadHeader()
{
    unsigned char bytes[kHeaderSize] = {};
    std::size_t delivered = 0;
    const bool ok = ReadFully(m_source, bytes, sizeof bytes, delivered);
    m_offset += delivered;
    if (!ok)
        return Fail(PackageFault::ReadFailed, -1);

    const PackageHeader header = DecodeHeader(bytes);
    if (!IsValidHeader(header)) {
        m_offset = 0;
        return Fail(PackageFault::BadHeader, -1);
    }
    m_count = EntryCount(header);
    return true;
}

bool CPackageReader::ReadEntries(std::vector<PackageEntry>& entries)
{
    entries.clear();
    // The table grows as it is read, never by the announced count, so a
    // forged count cannot make the reader allocate more than the file holds.
    for (std::int32_t i = 0; i < m_count; ++i) {
        unsigned char bytes[kEntrySize];
        std::size_t delivered = 0;
        const bool ok = ReadFully(m_source, bytes, sizeof bytes, delivered);
        if (!ok) {
            m_offset += delivered;
            return Fail(PackageFault::ReadFailed, i);
        }
        if (delivered < sizeof bytes) {
            m_offset += delivered;
            return Fail(PackageFault::TruncatedTable, i);
        }
        const PackageEntry entry = DecodeEntry(bytes);
        const NameFault nameFault = CheckEntryName(entry, m_codePage);
        if (nameFault != NameFault::None)
            return Fail(PackageFault::BadName, i, nameFault);
        m_offset += delivered;
        entries.push_back(entry);
    }
    return true;
}

bool CPackageReader::ReadContent(std::int64_t index, void* buffer, std::size_t size, std::size_t& delivered)
{
    delivered = 0;
    if (size == 0)
        return true;
    if (!m_source.Read(buffer, size, delivered))
        return Fail(PackageFault::ReadFailed, index);
    if (delivered == 0)
        return Fail(PackageFault::TruncatedContent, index);
    m_offset += delivered;
    return true;
}

std::uint64_t TotalContentBytes(const std::vector<PackageEntry>& entries)
{
    std::uint64_t total = 0;
    for (const PackageEntry& entry : entries)
        total += entry.ContentBytes();
    return total;
}

std::string PackageProblem::Describe() const
{
    std::string where = entryIndex < 0 ? std::string("header") : "entry " + std::to_string(entryIndex);
    where += " at offset " + std::to_string(offset);
    switch (fault) {
    case PackageFault::None: return "no problem";
    case PackageFault::ReadFailed: return "read error in " + where;
    case PackageFault::BadHeader: return "not a package: version is not 1 or signature is not \"KX\"";
    case PackageFault::TruncatedTable: return "entry table is cut short: " + where + " is incomplete";
    case PackageFault::BadName: return where + ": " + DescribeNameFault(nameFault);
    case PackageFault::TruncatedContent: return "file ends inside the contents of " + where;
    }
    return "unknown problem";
}
