#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/code_page.h"

// Text in the file system's own form: UTF-8 on POSIX, UTF-16 on Windows.
using NativeString = std::filesystem::path::string_type;

// Converts between file system names and an ANSI code page. Implemented with
// iconv on POSIX and with the Win32 conversion functions on Windows.
class ICodePageText {
public:
    virtual ~ICodePageText() = default;
    // Both return false when some character has no equivalent on the other
    // side; neither substitutes a look-alike or a default character.
    virtual bool ToAnsi(const NativeString& text, std::string& ansi) const = 0;
    virtual bool FromAnsi(std::string_view ansi, NativeString& text) const = 0;
};

// Returns null, with `error` set, when this system cannot convert code page `number`.
std::unique_ptr<ICodePageText> OpenCodePageText(unsigned number, std::string& error);

// Encodes `text` only if decoding the result gives `text` back exactly, so a
// name is never stored as something that would install under another name.
bool EncodeExact(const ICodePageText& converter, const NativeString& text, std::string& ansi);

// A stored name as UTF-8 for display. Characters that do not decode are shown
// as \xNN for each of their bytes.
std::string DisplayName(const ICodePageText& converter, const CodePage& codePage, std::string_view ansi);
