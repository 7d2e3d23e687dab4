#pragma once

// Helpers for running datpack and make_package.py on temporary files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dptest {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((seed + i * 7) & 0xFF);
    return bytes;
}

inline std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Every regular file below `dir`, by relative path, with its contents.
inline std::map<std::string, std::string> TreeContents(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(dir))
        return files;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
        if (item.is_regular_file())
            files[fs::relative(item.path(), dir).generic_string()] = ReadFile(item.path());
    }
    return files;
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A fresh folder per test, removed afterwards.
class DatpackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "datpack-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_root, ec);
    }

    fs::path Path(const std::string& relative) const { return m_root / fs::u8path(relative); }

    RunResult RunCommand(const std::string& program, const std::vector<std::string>& arguments) const
    {
        std::string command = ShellQuote(program);
        for (const std::string& argument : arguments)
            command += " " + ShellQuote(argument);
        const fs::path out = m_root / ".stdout";
        const fs::path err = m_root / ".stderr";
        command += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        fs::remove(out);
        fs::remove(err);
        return result;
    }

    RunResult Datpack(const std::vector<std::string>& arguments) const { return RunCommand(DATPACK_EXE, arguments); }

    // Writes the package that the JSON `layout` describes (see make_package.py).
    fs::path MakePackage(const std::string& layout, const std::string& name = "layout.dat") const
    {
        const fs::path layoutPath = m_root / ".layout.json";
        WriteFile(layoutPath, layout);
        const RunResult result = RunCommand(PYTHON_EXE, {MAKE_PACKAGE_PY, "json", layoutPath.string(), Path(name).string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        fs::remove(layoutPath);
        return Path(name);
    }

    fs::path MakeTreePackage(const fs::path& tree, const std::string& name, unsigned codePage = 936) const
    {
        const RunResult result = RunCommand(PYTHON_EXE, {MAKE_PACKAGE_PY, "tree", tree.string(), Path(name).string(),
                                                         "--codepage", std::to_string(codePage)});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Path(name);
    }

    fs::path m_root;
};

// datpack's contract for bad input: a non-zero exit and one line on stderr.
inline void ExpectOneErrorLine(const RunResult& result, const std::string& fragment, int exitCode = 1)
{
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    const std::vector<std::string> lines = Lines(result.err);
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_EQ(lines[0].rfind("datpack: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(fragment), std::string::npos) << "expected '" << fragment << "' in: " << lines[0];
}

} // namespace dptest
