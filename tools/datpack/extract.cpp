#include "tools/datpack/extract.h"

#include <algorithm>
#include <cstdio>

#include "tools/datpack/os.h"
#include "tools/datpack/package_input.h"

namespace {

using NativeChar = std::filesystem::path::value_type;

bool IsPlainName(const NativeString& component)
{
    const NativeString dot(1, NativeChar('.'));
    if (component.empty() || component == dot || component == dot + dot)
        return false;
    return std::none_of(component.begin(), component.end(),
                        [](NativeChar c) { return c == NativeChar('/') || c == NativeChar('\\') || c == NativeChar(0); });
}

} // namespace

bool EntryPathComponents(std::string_view name, const ICodePageText& converter, const CodePage& codePage,
                         std::vector<NativeString>& components)
{
    components.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = codePage.FindBackslash(name, start);
        const std::string_view part = name.substr(start, separator == std::string_view::npos ? name.npos : separator - start);
        NativeString component;
        if (!converter.FromAnsi(part, component) || !IsPlainName(component))
            return false;
        components.push_back(component);
        if (separator == std::string_view::npos)
            return true;
        start = separator + 1;
    }
}

int RunExtract(const Options& options)
{
    std::string error;
    const std::unique_ptr<ICodePageText> converter = OpenCodePageText(options.codePage, error);
    CPackageInput package(options.codePage);
    if (!converter || !package.Open(options.source, error)) {
        PrintError(error);
        return kExitFailure;
    }

    // Every name must map to a path before the first file is written.
    const std::vector<PackageEntry>& entries = package.Entries();
    std::vector<std::vector<NativeString>> paths(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!EntryPathComponents(entries[i].Name(), *converter, package.Page(), paths[i])) {
            PrintError(options.source.u8string() + ": entry " + std::to_string(i) + " (" +
                       DisplayName(*converter, package.Page(), entries[i].Name()) +
                       ") does not decode from code page " + std::to_string(options.codePage) +
                       " to a usable file name");
            return kExitFailure;
        }
    }

    CTargetDir target;
    if (!target.Open(options.destination, error)) {
        PrintError(error);
        return kExitFailure;
    }
    std::vector<unsigned char> buffer(kCopyChunkSize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string where = "entry " + std::to_string(i) + ": ";
        if (!target.StartFile(paths[i], error)) {
            PrintError(where + error);
            return kExitFailure;
        }
        for (std::uint64_t left = entries[i].ContentBytes(); left > 0;) {
            const std::size_t want = NextChunkSize(left);
            std::size_t got = 0;
            if (!package.Reader().ReadContent(static_cast<std::int64_t>(i), buffer.data(), want, got)) {
                target.FinishFile();
                PrintError(package.ProblemMessage());
                return kExitFailure;
            }
            if (!target.Write(buffer.data(), got)) {
                PrintError(where + "cannot write: " + LastErrorText());
                return kExitFailure;
            }
            left -= got;
        }
        if (!target.FinishFile()) {
            PrintError(where + "cannot finish writing: " + LastErrorText());
            return kExitFailure;
        }
    }
    std::printf("%s: extracted %zu entries, %llu content bytes\n", options.destination.u8string().c_str(),
                entries.size(), static_cast<unsigned long long>(TotalContentBytes(entries)));
    return kExitOk;
}
