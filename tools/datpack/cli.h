#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/code_page.h"

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1, // bad input data, refused package, I/O error
    kExitUsage = 2,   // bad command line
};

enum class Command { Help, Create, List, Verify, Extract };

struct Options {
    Command command = Command::Help;
    std::filesystem::path source;      // the folder for create, the package otherwise
    std::filesystem::path destination; // the package for create, the folder for extract
    unsigned codePage = kDefaultCodePage;
};

// Parses the arguments after the program name (UTF-8). Returns false with a
// one-line `error` for a command line that cannot be run.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options, std::string& error);

const char* UsageText();

// Prints "datpack: message" as the single error line on stderr.
void PrintError(const std::string& message);
