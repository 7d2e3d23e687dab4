#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "install/package_reader.h"
#include "platform/file.h"

// An open package whose header and whole entry table have been read and
// checked: what list, verify and extract all start from.
class CPackageInput {
public:
    explicit CPackageInput(unsigned codePage) : m_codePage(codePage), m_reader(m_file, m_codePage) {}

    // Fails with a one-line message naming the package and, for a refused
    // package, the problem and where it is.
    bool Open(const std::filesystem::path& path, std::string& error);

    const std::vector<PackageEntry>& Entries() const { return m_entries; }
    const CodePage& Page() const { return m_codePage; }
    CPackageReader& Reader() { return m_reader; }
    CFile& File() { return m_file; }
    // "data.dat: <problem>" for the reader's last problem.
    std::string ProblemMessage() const;

private:
    std::filesystem::path m_path;
    CodePage m_codePage;
    CFile m_file;
    CPackageReader m_reader;
    std::vector<PackageEntry> m_entries;
};
