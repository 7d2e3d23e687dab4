#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "common/code_page.h"
#include "tools/datpack/cli.h"
#include "tools/datpack/code_page_text.h"

// A file to pack, as found when the tree was scanned.
struct PackSource {
    std::filesystem::path path; // where to read it
    std::string name;           // its entry name in the package's code page
    std::uint64_t size = 0;
};

// Collects the regular files below `dir`, sorted by entry name bytes so a
// tree always packs to the same bytes. Links to files are followed under the
// link's own name; links to folders, other links and special files are
// refused; empty folders leave no trace. Files equivalent to one of `skip`
// (the package being written) are left out. Every name is checked here, so a
// tree that cannot be packed is refused before anything is written.
bool ScanTree(const std::filesystem::path& dir, const std::vector<std::filesystem::path>& skip,
              const ICodePageText& converter, const CodePage& codePage, std::vector<PackSource>& files,
              std::string& error);

// Called with the content bytes written so far.
using PackProgress = std::function<void(std::uint64_t written)>;

// Writes header, table and contents. Contents are streamed in chunks; a file
// whose size no longer matches the scan fails the package.
bool WritePackage(const std::vector<PackSource>& files, IByteSink& sink, const PackProgress& progress,
                  std::string& error);

// datpack create: the package appears at its path only once complete.
int RunCreate(const Options& options);
