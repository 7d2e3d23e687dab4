#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/code_page.h"
#include "tools/datpack/cli.h"
#include "tools/datpack/code_page_text.h"

// Splits a checked entry name at its backslashes (never at a trail byte) and
// decodes each part into a file system name. Fails if a part does not decode
// or decodes to something that is not a single plain name on this system.
bool EntryPathComponents(std::string_view name, const ICodePageText& converter, const CodePage& codePage,
                         std::vector<NativeString>& components);

// datpack extract: writes the package's files below a folder with the
// installer's rules.
int RunExtract(const Options& options);
