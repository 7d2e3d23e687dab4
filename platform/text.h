#pragma once

#include <optional>
#include <string>

// Conversions between the program's own texts (UTF-8 in the sources), the
// machine's ANSI code page and UTF-16. Each fails rather than substituting a
// character the target cannot represent.
std::optional<std::wstring> WideFromUtf8(const std::string& utf8);
std::optional<std::wstring> WideFromAnsi(const std::string& ansi);
std::optional<std::string> AnsiFromWide(const std::wstring& wide);
std::optional<std::string> AnsiFromUtf8(const std::string& utf8);
