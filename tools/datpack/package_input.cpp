#include "tools/datpack/package_input.h"

#include "tools/datpack/os.h"

bool CPackageInput::Open(const std::filesystem::path& path, std::string& error)
{
    m_path = path;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = path.u8string() + " is a folder, not a package";
        return false;
    }
    if (!m_file.Open(path, CFile::Mode::Read)) {
        error = "cannot open " + path.u8string() + ": " + LastErrorText();
        return false;
    }
    if (!m_reader.ReadHeader() || !m_reader.ReadEntries(m_entries)) {
        error = ProblemMessage();
        return false;
    }
    return true;
}

std::string CPackageInput::ProblemMessage() const
{
    return m_path.u8string() + ": " + m_reader.Problem().Describe();
}
