#pragma once

#include <string_view>

#include "common/code_page.h"
#include "install/package_format.h"

// Why an entry name cannot be installed. Every name is checked before the
// first byte is written, so a package can never place a file outside the
// target directory, nor on a device.
enum class NameFault {
    None,
    NoTerminator,     // no zero byte in the 260-byte field
    Empty,
    Absolute,         // leading backslash or slash: root or UNC path
    DriveOrStream,    // a colon: drive letter or alternate data stream
    Slash,            // '/', which Windows also takes as a separator
    ControlCharacter, // bytes 0x01-0x1F and 0x7F
    ReservedCharacter, // < > " | ? *
    BadDoubleByte,    // a lead byte at the end, or followed by a byte below 0x40
    EmptyComponent,   // two backslashes in a row, or a trailing backslash
    DotComponent,     // ".", ".." or a component of only dots and spaces
    DeviceName,       // CON, NUL, COM1 and the like, with or without extension
};

// Checks a whole 260-byte name field.
NameFault CheckEntryName(const PackageEntry& entry, const CodePage& codePage);
// Checks a name without its terminator (used by the packer before it stores one).
NameFault CheckEntryName(std::string_view name, const CodePage& codePage);

// One English phrase for tools and test output, e.g. "name has a '..' component".
const char* DescribeNameFault(NameFault fault);
