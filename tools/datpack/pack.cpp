#include "tools/datpack/pack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "install/entry_name.h"
#include "install/package_format.h"
#include "install/package_writer.h"
#include "platform/file.h"
#include "tools/datpack/os.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxEntrySize = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

class CTreeScanner {
public:
    CTreeScanner(const std::vector<fs::path>& skip, const ICodePageText& converter, const CodePage& codePage,
                 std::vector<PackSource>& files, std::string& error)
        : m_skip(skip), m_converter(converter), m_codePage(codePage), m_files(files), m_error(error)
    {
    }

    // `prefix` is the entry name of `folder` followed by a backslash, or empty at the top.
    bool ScanFolder(const fs::path& folder, const std::string& prefix)
    {
        std::vector<fs::path> children;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            children.push_back(it->path());
        if (ec)
            return Fail("cannot read folder " + folder.u8string() + ": " + ec.message());
        // Sorted so the first problem reported is the same on every run.
        std::sort(children.begin(), children.end());

        for (const fs::path& child : children) {
            std::string component;
            if (!EncodeExact(m_converter, child.filename().native(), component))
                return Fail(child.u8string() + ": name cannot be stored exactly in code page " +
                            std::to_string(m_codePage.Number()));
            // A backslash inside a file name (possible on POSIX) would split it in the package.
            if (m_codePage.FindBackslash(component) != std::string::npos)
                return Fail(child.u8string() + ": name contains a backslash, the package's folder separator");
            if (!ScanChild(child, prefix + component))
                return false;
        }
        return true;
    }

private:
    bool ScanChild(const fs::path& path, const std::string& name)
    {
        std::error_code ec;
        const fs::file_status own = fs::symlink_status(path, ec);
        if (ec)
            return Fail("cannot examine " + path.u8string() + ": " + ec.message());
        if (fs::is_directory(own))
            return ScanFolder(path, name + "\\");
        if (fs::is_symlink(own)) {
            const fs::file_status target = fs::status(path, ec);
            if (fs::is_directory(target))
                return Fail(path.u8string() + " is a link to a folder; only links to files are followed");
            if (!fs::is_regular_file(target))
                return Fail(path.u8string() + " is a link that does not lead to a regular file");
        } else if (!fs::is_regular_file(own)) {
            return Fail(path.u8string() + " is not a regular file (a FIFO, socket or device cannot be packed)");
        }
        return AddFile(path, name);
    }

    bool AddFile(const fs::path& path, const std::string& name)
    {
        for (const fs::path& skipped : m_skip) {
            std::error_code ec;
            if (fs::equivalent(path, skipped, ec))
                return true;
        }
        if (name.size() > kMaxNameLength)
            return Fail(path.u8string() + ": name is " + std::to_string(name.size()) + " bytes in code page " +
                        std::to_string(m_codePage.Number()) + ", more than " + std::to_string(kMaxNameLength));
        const NameFault fault = CheckEntryName(name, m_codePage);
        if (fault != NameFault::None)
            return Fail(path.u8string() + ": " + DescribeNameFault(fault));

        std::error_code ec;
        const std::uintmax_t size = fs::file_size(path, ec);
        if (ec)
            return Fail("cannot read the size of " + path.u8string() + ": " + ec.message());
        if (size > kMaxEntrySize)
            return Fail(path.u8string() + " is " + std::to_string(size) +
                        " bytes; a package entry holds at most 2147483647");
        m_files.push_back({path, name, size});
        return true;
    }

    bool Fail(const std::string& message)
    {
        m_error = message;
        return false;
    }

    const std::vector<fs::path>& m_skip;
    const ICodePageText& m_converter;
    const CodePage& m_codePage;
    std::vector<PackSource>& m_files;
    std::string& m_error;
};

// One line on a terminal, rewritten in place; silent otherwise.
class CProgressLine {
public:
    CProgressLine(std::uint64_t total, bool enabled) : m_total(total), m_enabled(enabled) {}
    ~CProgressLine()
    {
        if (m_shown)
            std::fputc('\n', stderr);
    }
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    void Update(std::uint64_t done)
    {
        if (!m_enabled || m_total == 0)
            return;
        const int percent = static_cast<int>(done * 100 / m_total);
        if (m_shown && percent == m_percent)
            return;
        m_percent = percent;
        m_shown = true;
        std::fprintf(stderr, "\rdatpack: packing %3d%% of %llu MiB", percent,
                     static_cast<unsigned long long>(m_total >> 20));
        std::fflush(stderr);
    }

private:
    std::uint64_t m_total;
    bool m_enabled;
    bool m_shown = false;
    int m_percent = 0;
};

// Progress is worth showing only when packing takes a while.
constexpr std::uint64_t kLargeTreeBytes = 64ull << 20;
constexpr std::size_t kLargeTreeFiles = 2000;

} // namespace

bool ScanTree(const fs::path& dir, const std::vector<fs::path>& skip, const ICodePageText& converter,
              const CodePage& codePage, std::vector<PackSource>& files, std::string& error)
{
    files.clear();
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        error = dir.u8string() + " is not a folder";
        return false;
    }
    CTreeScanner scanner(skip, converter, codePage, files, error);
    if (!scanner.ScanFolder(dir, std::string()))
        return false;
    if (files.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        error = "too many files: a package holds at most 2147483647 entries";
        return false;
    }
    std::sort(files.begin(), files.end(), [](const PackSource& a, const PackSource& b) { return a.name < b.name; });
    return true;
}

bool WritePackage(const std::vector<PackSource>& files, IByteSink& sink, const PackProgress& progress,
                  std::string& error)
{
    CPackageWriter writer(sink);
    if (!writer.WriteHeader(static_cast<std::int32_t>(files.size()))) {
        error = "cannot write the package: " + LastErrorText();
        return false;
    }
    for (const PackSource& file : files) {
        PackageEntry entry;
        entry.size = static_cast<std::int32_t>(file.size);
        std::memcpy(entry.name, file.name.data(), file.name.size());
        if (!writer.WriteEntry(entry)) {
            error = "cannot write the package: " + LastErrorText();
            return false;
        }
    }

    std::vector<unsigned char> buffer(kCopyChunkSize);
    std::uint64_t written = 0;
    for (const PackSource& file : files) {
        CFile input;
        if (!input.Open(file.path, CFile::Mode::Read)) {
            error = "cannot open " + file.path.u8string() + ": " + LastErrorText();
            return false;
        }
        for (std::uint64_t left = file.size; left > 0;) {
            if (Interrupted()) {
                error = "interrupted";
                return false;
            }
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            std::size_t got = 0;
            if (!input.Read(buffer.data(), want, got)) {
                error = "cannot read " + file.path.u8string() + ": " + LastErrorText();
                return false;
            }
            if (got == 0) {
                error = file.path.u8string() + " shrank while it was being packed";
                return false;
            }
            if (!writer.WriteContent(buffer.data(), got)) {
                error = "cannot write the package: " + LastErrorText();
                return false;
            }
            left -= got;
            written += got;
            progress(written);
        }
        std::size_t extra = 0;
        if (!input.Read(buffer.data(), 1, extra)) {
            error = "cannot read " + file.path.u8string() + ": " + LastErrorText();
            return false;
        }
        if (extra != 0) {
            error = file.path.u8string() + " grew while it was being packed";
            return false;
        }
    }
    return true;
}

int RunCreate(const Options& options)
{
    std::string error;
    const std::unique_ptr<ICodePageText> converter = OpenCodePageText(options.codePage, error);
    if (!converter) {
        PrintError(error);
        return kExitFailure;
    }
    const CodePage codePage(options.codePage);
    const fs::path& output = options.destination;
    fs::path partial = output;
    partial += ".datpack-partial";

    std::error_code ec;
    if (fs::is_directory(output, ec)) {
        PrintError(output.u8string() + " is a folder; -o names the package file to write");
        return kExitFailure;
    }
    std::vector<PackSource> files;
    if (!ScanTree(options.source, {output, partial}, *converter, codePage, files, error)) {
        PrintError(error);
        return kExitFailure;
    }

    std::uint64_t total = 0;
    for (const PackSource& file : files)
        total += file.size;
    CFile package;
    if (!package.Open(partial, CFile::Mode::CreateWrite)) {
        PrintError("cannot create " + partial.u8string() + ": " + LastErrorText());
        return kExitFailure;
    }
    WatchForInterrupt();
    bool ok;
    {
        CProgressLine progress(total, StderrIsTerminal() && (total >= kLargeTreeBytes || files.size() >= kLargeTreeFiles));
        ok = WritePackage(files, package, [&](std::uint64_t written) { progress.Update(written); }, error);
    }
    if (!package.Close() && ok) {
        error = "cannot finish writing " + partial.u8string() + ": " + LastErrorText();
        ok = false;
    }
    if (ok) {
        fs::rename(partial, output, ec);
        if (ec) {
            error = "cannot rename " + partial.u8string() + " to " + output.u8string() + ": " + ec.message();
            ok = false;
        }
    }
    StopWatchingForInterrupt();
    if (!ok) {
        fs::remove(partial, ec);
        PrintError(error);
        return kExitFailure;
    }
    std::printf("%s: %zu entries, %llu content bytes\n", output.u8string().c_str(), files.size(),
                static_cast<unsigned long long>(total));
    return kExitOk;
}
