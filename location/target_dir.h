#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The target directory page's decisions, with the system calls and message
// boxes they need. Paths are ANSI text.

// The folder proposed when the page opens: the product folder under the
// ProgramFiles folder, or under C: when that is not usable.
std::string DefaultTargetDir();

// Lets the user pick a folder in the shell's folder browser, owned by
// `owner`, and returns the new path box text: the picked folder with the
// product folder appended. Returns nothing, changing nothing, when the user
// cancels or the item has no file-system path in the ANSI code page. After
// a pick the working directory is the setup program's folder again.
std::optional<std::string> TargetFromPickedFolder(HWND owner);

// Checks the path box text, asks the user to confirm it and makes sure no
// running old version holds the product's program there (an existing one is
// deleted). Returns true with the path, ending in a backslash, stored in
// g_strInstallDir; false when the page is to stay open, after a refusal
// message or a No to the confirmation, with g_strInstallDir unchanged.
bool AcceptTargetDir(const std::string& pathBoxText);
