#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>

#include "common/product.h"
#include "install/installer.h"
#include "tools/datpack/extract.h"
#include "tools/datpack/inspect.h"
#include "tools/datpack/package_input.h"
#include "windows_test_support.h"

using namespace wintest;
using testpkg::Content;
using testpkg::Entry;
using testpkg::Header;
using testpkg::operator+;
namespace fs = std::filesystem;

namespace {

// Every kind of malformed package, fed to datpack verify, datpack extract
// and the installer, each checked for its exact words and result, for
// writing nothing outside its target, and for memory that does not follow
// the count field. Everything runs in this process: a crash fails the run.
struct BadInput {
    std::string what;
    Bytes bytes;
    // datpack's words after "datpack: <package>: ", or empty when the
    // package is accepted: verify then says "ok, <summary><verifyTail>" and
    // extract "extracted <summary>".
    std::string problem;
    std::string summary;
    std::string verifyTail;
    int installResult;
    // Files (relative name, size) that extract and the installer leave in
    // their targets; for a refused table the targets are never created.
    std::map<std::string, std::uintmax_t> written;
};

const char kNotAPackage[] = "not a package: version is not 1 or signature is not \"KX\"";

// Entry 0 is fine, entry 1 (offset 292) has `name`.
Bytes SecondNamed(const std::string& name)
{
    return Header(2) + Entry(4, "ok.txt") + Entry(1, name) + Content(4, 1) + Content(1, 2);
}

std::string NameProblem(const std::string& fault)
{
    return std::string("entry 1 at offset 292: ") + fault;
}

std::vector<BadInput> BadInputs()
{
    const std::int32_t maxCount = std::numeric_limits<std::int32_t>::max();
    const Bytes header = Header(0x0102);
    const std::string dot = "name has a '.' or '..' component";
    const std::string absolute = "name is absolute (starts with a backslash or slash)";
    const std::string colon = "name contains a colon (drive letter or stream)";
    const std::string device = "name uses a reserved device name";
    const std::string reserved = "name contains one of < > \" | ? *";
    const std::string control = "name contains a control character";
    const std::string emptyComponent = "name has an empty component (doubled or trailing backslash)";
    const std::string doubleByte = "name has an incomplete or malformed double-byte character";
    const std::vector<std::pair<std::string, std::string>> unsafeNames = {
        {"..\\evil.txt", dot},
        {"a\\..\\..\\evil.txt", dot},
        {".\\evil.txt", dot},
        {"a\\. .\\evil.txt", dot},
        {"\\evil.txt", absolute},
        {"\\\\host\\share\\evil.txt", absolute},
        {"/evil.txt", absolute},
        {"C:\\evil.txt", colon},
        {"C:evil.txt", colon},
        {"evil.txt:stream", colon},
        {"a/../../evil.txt", "name contains a slash"},
        {"sub\\CON", device},
        {"nul.txt", device},
        {"com1", device},
        {"LPT9.log", device},
        {"aux .txt", device},
        {"CONIN$", device},
        {"a*b", reserved},
        {"a?b", reserved},
        {"a|b", reserved},
        {"a\x01" "b", control},
        {"a\x7F", control},
        {"", "name is empty"},
        {"a\\\\b", emptyComponent},
        {"dir\\", emptyComponent},
        {"a\x81", doubleByte},
        {"\x81\x1F" "b", doubleByte},
        {"\x81\x7F", doubleByte},
    };

    std::vector<BadInput> inputs = {
        {"empty file", {}, kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        {"header of 5 bytes", Bytes(header.begin(), header.begin() + 5), kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        // Missing header bytes read as zeros: version and signature are there, no entries.
        {"header of 6 bytes", Bytes(header.begin(), header.begin() + 6), "", "0 entries, 0 content bytes", "",
         INSTALL_OK, {}},
        {"header cut inside the count", Bytes(header.begin(), header.begin() + 25),
         "entry table is cut short: entry 0 at offset 25 is incomplete", "", "", INSTALL_E_FORMAT, {}},
        {"version 2", Header(0, 2), kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        {"version 1 stored big-endian", Header(0, 0x01000000), kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        {"version -1", Header(0, -1) + Entry(1, "a") + Content(1, 1), kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        {"signature swapped", Header(1, 1, "XK") + Entry(1, "a") + Content(1, 1), kNotAPackage, "", "",
         INSTALL_E_FORMAT, {}},
        {"signature in lower case", Header(0, 1, "kx"), kNotAPackage, "", "", INSTALL_E_FORMAT, {}},
        {"table cut inside entry 1", [] { const Bytes t = Header(2) + Entry(1, "a") + Entry(1, "b");
                                          return Bytes(t.begin(), t.end() - 10); }(),
         "entry table is cut short: entry 1 at offset 546 is incomplete", "", "", INSTALL_E_FORMAT, {}},
        {"table cut after entry 0", Header(2) + Entry(1, "a"),
         "entry table is cut short: entry 1 at offset 292 is incomplete", "", "", INSTALL_E_FORMAT, {}},
        {"count 2^31-1 in a short file", Header(maxCount) + Entry(1, "a") + Content(1, 1),
         "entry table is cut short: entry 1 at offset 293 is incomplete", "", "", INSTALL_E_FORMAT, {}},
        {"contents cut inside entry 1",
         Header(2) + Entry(3, "first.txt") + Entry(100, "cut.bin") + Content(3, 1) + Content(5, 2),
         "file ends inside the contents of entry 1 at offset 564", "", "", INSTALL_E_TRUNCATED,
         {{"first.txt", 3}, {"cut.bin", 5}}},
        {"contents missing", Header(1) + Entry(5, "a.txt"), "file ends inside the contents of entry 0 at offset 292", "",
         "", INSTALL_E_TRUNCATED, {{"a.txt", 0}}},
        {"content of 2^31-1 bytes in a short file", Header(1) + Entry(maxCount, "big.bin") + Content(40000, 3),
         "file ends inside the contents of entry 0 at offset 40292", "", "", INSTALL_E_TRUNCATED,
         {{"big.bin", 40000}}},
        {"name without terminator", Header(1) + Entry(1, std::string(260, 'n')) + Content(1, 1),
         "entry 0 at offset 28: name has no terminating zero within 260 bytes", "", "", INSTALL_E_FORMAT, {}},
        // Sizes of 0 or less own no content: such entries are empty files.
        {"negative and zero sizes",
         Header(3) + Entry(-1, "neg") + Entry(std::numeric_limits<std::int32_t>::min(), "min") + Entry(0, "zero") +
             Content(4, 4),
         "", "3 entries, 0 content bytes", ", 4 trailing bytes ignored", INSTALL_OK,
         {{"neg", 0}, {"min", 0}, {"zero", 0}}},
        {"negative count", Header(-5) + Entry(1, "a") + Content(1, 1), "", "0 entries, 0 content bytes",
         ", 265 trailing bytes ignored", INSTALL_OK, {}},
    };
    for (const auto& [name, fault] : unsafeNames)
        inputs.push_back({"unsafe name \"" + name + "\"", SecondNamed(name), NameProblem(fault), "", "",
                          INSTALL_E_FORMAT, {}});
    return inputs;
}

// What the C runtime printed on stdout and stderr while this object lived.
class CPrintCapture {
public:
    explicit CPrintCapture(const std::string& folder)
        : m_outPath(folder + "stdout.txt"), m_errPath(folder + "stderr.txt"), m_out(1, m_outPath),
          m_err(2, m_errPath)
    {
    }

    std::string Out() { return Finish(m_out, m_outPath); }
    std::string Err() { return Finish(m_err, m_errPath); }

private:
    // Points a descriptor at a file until Restore or destruction.
    class CRedirect {
    public:
        CRedirect(int fd, const std::string& path) : m_fd(fd)
        {
            std::fflush(nullptr);
            m_saved = _dup(fd);
            const int file = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
            if (file >= 0) {
                _dup2(file, fd);
                _close(file);
            }
        }
        ~CRedirect() { Restore(); }
        CRedirect(const CRedirect&) = delete;
        CRedirect& operator=(const CRedirect&) = delete;

        void Restore()
        {
            std::fflush(nullptr);
            if (m_saved >= 0) {
                _dup2(m_saved, m_fd);
                _close(m_saved);
                m_saved = -1;
            }
        }

    private:
        int m_fd;
        int m_saved = -1;
    };

    static std::string Finish(CRedirect& redirect, const std::string& path)
    {
        redirect.Restore();
        return ReadText(path);
    }

    std::string m_outPath;
    std::string m_errPath;
    CRedirect m_out;
    CRedirect m_err;
};

// Private memory the process has committed, read from its address space:
// an allocation sized by the count field shows here even before its pages
// are touched.
SIZE_T CommittedBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

// A table that the count field sized would take gigabytes; a few MB is noise.
constexpr SIZE_T kMemoryNoise = 8u << 20;

// Records like CRecordingHost and notes the memory committed while the
// installer holds the entry table: when it sets the range or reports failure.
class CMemoryHost final : public IInstallHost {
public:
    void SetProgressRange(std::int32_t upper) override
    {
        Sample();
        record.SetProgressRange(upper);
    }
    void SetProgressPos(std::int32_t position) override { record.SetProgressPos(position); }
    void SetStatusText(const std::string& ansiText) override { record.SetStatusText(ansiText); }
    void ShowMessage(const char* utf8Text) override
    {
        Sample();
        record.ShowMessage(utf8Text);
    }

    CRecordingHost record;
    SIZE_T mostCommitted = 0;

private:
    void Sample() { mostCommitted = std::max(mostCommitted, CommittedBytes()); }
};

// Every file and folder below `root` with its size, except below `skipped`.
std::map<std::string, std::uintmax_t> Snapshot(const fs::path& root, const std::vector<fs::path>& skipped)
{
    std::map<std::string, std::uintmax_t> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        bool skip = false;
        for (const fs::path& s : skipped)
            skip = skip || it->path() == s;
        if (skip) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code sizeError;
        found[it->path().string()] = it->is_regular_file() ? it->file_size(sizeError) : 0;
    }
    return found;
}

class BadInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 936)
            GTEST_SKIP() << "needs the code page 936 locale";
        m_work = ExeFolder() + "bad-input\\";
        m_capture = ExeFolder() + "bad-input-capture\\";
        m_extractTarget = m_work + "extracted";
        m_installTarget = m_work + "installed\\";
        std::filesystem::remove_all(m_capture);
        std::filesystem::create_directories(m_capture);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_work);
        std::filesystem::remove_all(m_capture);
        DeleteFileA(PackagePath().c_str());
        g_strInstallDir.clear();
    }

    static std::string PackagePath() { return ExeFolder() + kPackageFileName; }

    // The exe folder and the drive root as they are, apart from the targets.
    std::map<std::string, std::uintmax_t> Outside() const
    {
        auto all = Snapshot(ExeFolder(), {fs::path(m_extractTarget), fs::path(m_installTarget.substr(0, m_installTarget.size() - 1)),
                                          fs::path(m_capture.substr(0, m_capture.size() - 1))});
        for (const auto& item : fs::directory_iterator("C:\\"))
            all[item.path().string()] = 0;
        return all;
    }

    static Options DatpackCommand(Command command, const fs::path& source, const fs::path& destination = {})
    {
        Options options;
        options.command = command;
        options.source = source;
        options.destination = destination;
        return options;
    }

    std::string m_work;
    std::string m_capture;
    std::string m_extractTarget;
    std::string m_installTarget;
};

TEST_F(BadInputTest, EveryMalformedPackageIsRefusedTheSameWayEverywhere)
{
    // What the first installation loads (the shell's link objects) is not
    // the count field's doing: load it before anything is measured.
    ASSERT_TRUE(WriteBytes(PackagePath(), Header(0)));
    g_strInstallDir = m_installTarget;
    CRecordingHost warmUp;
    ASSERT_EQ(CPackageInstaller(warmUp).InstallFiles(), INSTALL_OK);

    for (const BadInput& input : BadInputs()) {
        SCOPED_TRACE(input.what);
        std::filesystem::remove_all(m_work);
        std::filesystem::create_directories(m_work);
        ASSERT_TRUE(WriteBytes(PackagePath(), input.bytes));
        const auto outside = Outside();
        const fs::path package = PackagePath();
        const bool refused = !input.problem.empty();
        const std::string refusal = "datpack: " + package.u8string() + ": " + input.problem + "\n";

        // What verify, list and extract start from: the header and whole table read.
        const SIZE_T committed = CommittedBytes();
        {
            CPackageInput opened(kDefaultCodePage);
            std::string error;
            EXPECT_EQ(opened.Open(package, error), !refused || input.installResult == INSTALL_E_TRUNCATED);
            const SIZE_T during = CommittedBytes();
            EXPECT_LT(during - std::min(during, committed), kMemoryNoise) << "datpack";
        }

        // datpack verify reads everything, writes nothing.
        int exitCode;
        std::string out;
        std::string err;
        {
            CPrintCapture printed(m_capture);
            exitCode = RunVerify(DatpackCommand(Command::Verify, package));
            out = printed.Out();
            err = printed.Err();
        }
        if (refused) {
            EXPECT_EQ(exitCode, kExitFailure);
            EXPECT_EQ(err, refusal);
            EXPECT_EQ(out, "");
        } else {
            EXPECT_EQ(exitCode, kExitOk);
            EXPECT_EQ(err, "");
            EXPECT_EQ(out, package.u8string() + ": ok, " + input.summary + input.verifyTail + "\n");
        }
        EXPECT_EQ(Outside(), outside) << "verify";

        // datpack extract
        {
            CPrintCapture printed(m_capture);
            exitCode = RunExtract(DatpackCommand(Command::Extract, package, m_extractTarget));
            out = printed.Out();
            err = printed.Err();
        }
        if (refused) {
            EXPECT_EQ(exitCode, kExitFailure);
            EXPECT_EQ(err, refusal);
            EXPECT_EQ(out, "");
        } else {
            EXPECT_EQ(exitCode, kExitOk);
            EXPECT_EQ(err, "");
            EXPECT_EQ(out, m_extractTarget + ": extracted " + input.summary + "\n");
        }
        EXPECT_EQ(Outside(), outside) << "extract";
        const bool tableRead = input.installResult == INSTALL_OK || input.installResult == INSTALL_E_TRUNCATED;
        if (tableRead) {
            std::map<std::string, std::uintmax_t> extracted;
            for (const auto& [name, size] : Snapshot(m_extractTarget, {}))
                extracted[name.substr(m_extractTarget.size() + 1)] = size;
            EXPECT_EQ(extracted, input.written) << "extract";
        } else {
            EXPECT_FALSE(Exists(m_extractTarget)) << "extract";
        }

        // The installer: the result, one fixed message, the same files.
        g_strInstallDir = m_installTarget;
        CMemoryHost memoryHost;
        const CRecordingHost& host = memoryHost.record;
        CPackageInstaller installer(memoryHost);
        const SIZE_T before = CommittedBytes();
        EXPECT_EQ(installer.InstallFiles(), input.installResult);
        EXPECT_LT(memoryHost.mostCommitted - std::min(memoryHost.mostCommitted, before), kMemoryNoise) << "installer";
        const std::vector<std::string> noMessages;
        const std::vector<std::string> formatMessage = {kFormatMessage};
        EXPECT_EQ(host.messages, input.installResult == INSTALL_OK ? noMessages : formatMessage);
        EXPECT_EQ(Outside(), outside) << "installer";
        if (tableRead) {
            std::map<std::string, std::uintmax_t> installed;
            for (const auto& [name, size] : Snapshot(m_installTarget, {}))
                installed[name.substr(m_installTarget.size())] = size;
            installed.erase("install.log");
            EXPECT_EQ(installed, input.written) << "installer";
        } else {
            EXPECT_TRUE(host.ranges.empty());
            EXPECT_FALSE(Exists(m_installTarget)) << "installer";
        }
    }
}

} // namespace
