#include "tools/datpack/cli.h"

#include <cstdio>

namespace {

bool ParseCodePage(const std::string& text, unsigned& codePage)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long number = std::stoul(text);
    if (number == 0 || number > 65535)
        return false;
    codePage = static_cast<unsigned>(number);
    return true;
}

bool ParseCommand(const std::string& word, Command& command)
{
    if (word == "create")
        command = Command::Create;
    else if (word == "list")
        command = Command::List;
    else if (word == "verify")
        command = Command::Verify;
    else if (word == "extract")
        command = Command::Extract;
    else
        return false;
    return true;
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options, std::string& error)
{
    options = Options();
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h")
        return true;
    const std::string& word = arguments[0];
    if (!ParseCommand(word, options.command)) {
        error = "unknown command '" + word + "' (try datpack --help)";
        return false;
    }

    std::vector<std::string> operands;
    bool haveOutput = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.command = Command::Help;
            return true;
        } else if (argument == "--codepage" || argument == "-o") {
            if (i + 1 >= arguments.size()) {
                error = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            if (argument == "-o") {
                if (options.command != Command::Create) {
                    error = "-o applies to create only";
                    return false;
                }
                options.destination = std::filesystem::u8path(value);
                haveOutput = true;
            } else if (!ParseCodePage(value, options.codePage)) {
                error = "--codepage needs a code page number from 1 to 65535, not '" + value + "'";
                return false;
            }
        } else {
            error = "unknown option '" + argument + "'";
            return false;
        }
    }

    const std::size_t wanted = options.command == Command::Extract ? 2 : 1;
    if (operands.size() != wanted) {
        static const char* const kShapes[] = {"", "create DIR -o data.dat", "list data.dat", "verify data.dat",
                                              "extract data.dat DIR"};
        error = "expected: datpack " + std::string(kShapes[static_cast<int>(options.command)]) + " [--codepage N]";
        return false;
    }
    if (options.command == Command::Create && !haveOutput) {
        error = "create needs the package to write: -o data.dat";
        return false;
    }
    options.source = std::filesystem::u8path(operands[0]);
    if (options.command == Command::Extract)
        options.destination = std::filesystem::u8path(operands[1]);
    return true;
}

const char* UsageText()
{
    return "usage: datpack COMMAND ARGUMENTS [--codepage N]\n"
           "\n"
           "  create DIR -o data.dat   pack the files below DIR, sorted by name\n"
           "  list data.dat            show each entry's size and name\n"
           "  verify data.dat          check the whole package as the installer would\n"
           "  extract data.dat DIR     recreate the package's files below DIR\n"
           "\n"
           "  --codepage N   the Windows ANSI code page of the names (default 936)\n"
           "  -h, --help     show this text\n"
           "\n"
           "Names are stored relative, with backslashes, in code page N. create\n"
           "refuses names that do not convert exactly, break the installer's name\n"
           "rules or exceed 259 bytes, files of 2 GiB or more, and anything but\n"
           "regular files; links to files are followed, links to folders refused,\n"
           "empty folders skipped. Exit status: 0 done, 1 failed, 2 bad command line.\n";
}

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "datpack: %s\n", message.c_str());
}
