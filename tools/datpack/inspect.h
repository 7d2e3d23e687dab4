#pragma once

#include "tools/datpack/cli.h"

// datpack list: one line per entry, its stored size and its name.
int RunList(const Options& options);
// datpack verify: reads the whole package as the installer would and says
// what is wrong and where, or prints a one-line summary.
int RunVerify(const Options& options);
