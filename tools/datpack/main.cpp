#include <cstdio>

#include "tools/datpack/cli.h"
#include "tools/datpack/extract.h"
#include "tools/datpack/inspect.h"
#include "tools/datpack/os.h"
#include "tools/datpack/pack.h"

int main(int argc, char** argv)
{
    PrepareConsole();
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    Options options;
    std::string error;
    if (!ParseCommandLine(arguments, options, error)) {
        PrintError(error);
        return kExitUsage;
    }
    switch (options.command) {
    case Command::Help:
        std::fputs(UsageText(), stdout);
        return arguments.empty() ? kExitUsage : kExitOk;
    case Command::Create: return RunCreate(options);
    case Command::List: return RunList(options);
    case Command::Verify: return RunVerify(options);
    case Command::Extract: return RunExtract(options);
    }
    return kExitUsage;
}
