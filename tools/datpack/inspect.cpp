#include "tools/datpack/inspect.h"

#include <cstdio>

#include "tools/datpack/code_page_text.h"
#include "tools/datpack/os.h"
#include "tools/datpack/package_input.h"

int RunList(const Options& options)
{
    std::string error;
    const std::unique_ptr<ICodePageText> converter = OpenCodePageText(options.codePage, error);
    CPackageInput package(options.codePage);
    if (!converter || !package.Open(options.source, error)) {
        PrintError(error);
        return kExitFailure;
    }
    for (const PackageEntry& entry : package.Entries()) {
        const std::string name = DisplayName(*converter, package.Page(), entry.Name());
        std::printf("%11d  %s\n", static_cast<int>(entry.size), name.c_str());
    }
    return kExitOk;
}

int RunVerify(const Options& options)
{
    std::string error;
    CPackageInput package(options.codePage);
    if (!package.Open(options.source, error)) {
        PrintError(error);
        return kExitFailure;
    }
    const std::vector<PackageEntry>& entries = package.Entries();
    std::vector<unsigned char> buffer(kCopyChunkSize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::uint64_t left = entries[i].ContentBytes(); left > 0;) {
            const std::size_t want = NextChunkSize(left);
            std::size_t got = 0;
            if (!package.Reader().ReadContent(static_cast<std::int64_t>(i), buffer.data(), want, got)) {
                PrintError(package.ProblemMessage());
                return kExitFailure;
            }
            left -= got;
        }
    }

    // The installer stops after the last entry; anything further is ignored.
    std::uint64_t trailing = 0;
    for (;;) {
        std::size_t got = 0;
        if (!package.File().Read(buffer.data(), buffer.size(), got)) {
            PrintError("cannot read " + options.source.u8string() + " after the last entry's contents: " + LastErrorText());
            return kExitFailure;
        }
        if (got == 0)
            break;
        trailing += got;
    }

    std::printf("%s: ok, %zu entries, %llu content bytes", options.source.u8string().c_str(), entries.size(),
                static_cast<unsigned long long>(TotalContentBytes(entries)));
    if (trailing > 0)
        std::printf(", %llu trailing bytes ignored", static_cast<unsigned long long>(trailing));
    std::printf("\n");
    return kExitOk;
}
