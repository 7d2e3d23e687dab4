#include "install/entry_name.h"

#include <array>
#include <cctype>
#include <string>

namespace {

bool IsDotsAndSpaces(std::string_view component)
{
    return component.find_first_not_of(". ") == std::string_view::npos;
}

// Windows opens a device for these names in any folder, whatever follows a dot.
bool IsDeviceName(std::string_view component)
{
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    static const std::array<const char*, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kPlain) {
        if (base == device)
            return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

NameFault CheckComponent(std::string_view component)
{
    if (component.empty())
        return NameFault::EmptyComponent;
    if (IsDotsAndSpaces(component))
        return NameFault::DotComponent;
    if (IsDeviceName(component))
        return NameFault::DeviceName;
    return NameFault::None;
}

} // namespace

NameFault CheckEntryName(std::string_view name, const CodePage& codePage)
{
    if (name.empty())
        return NameFault::Empty;
    if (name.size() > kMaxNameLength)
        return NameFault::NoTerminator;
    if (name[0] == '\\' || name[0] == '/')
        return NameFault::Absolute;

    std::size_t componentStart = 0;
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (codePage.IsLeadByte(byte)) {
            // Trail bytes are 0x40 and above, so no separator, dot, colon or
            // control byte can hide inside a character; 0x5C and 0x7C can.
            if (i + 1 >= name.size())
                return NameFault::BadDoubleByte;
            const auto trail = static_cast<unsigned char>(name[i + 1]);
            if (trail < 0x40 || trail == 0x7F)
                return NameFault::BadDoubleByte;
            i += 2;
            continue;
        }
        if (byte == 0 || byte < 0x20 || byte == 0x7F)
            return NameFault::ControlCharacter;
        if (byte == ':')
            return NameFault::DriveOrStream;
        if (byte == '/')
            return NameFault::Slash;
        if (std::string_view("<>\"|?*").find(static_cast<char>(byte)) != std::string_view::npos)
            return NameFault::ReservedCharacter;
        if (byte == '\\') {
            const NameFault fault = CheckComponent(name.substr(componentStart, i - componentStart));
            if (fault != NameFault::None)
                return fault;
            componentStart = i + 1;
        }
        ++i;
    }
    return CheckComponent(name.substr(componentStart));
}

NameFault CheckEntryName(const PackageEntry& entry, const CodePage& codePage)
{
    const std::string_view name = entry.Name();
    if (name.size() == kNameFieldSize)
        return NameFault::NoTerminator;
    return CheckEntryName(name, codePage);
}

const char* DescribeNameFault(NameFault fault)
{
    switch (fault) {
    case NameFault::None: return "name is valid";
    case NameFault::NoTerminator: return "name has no terminating zero within 260 bytes";
    case NameFault::Empty: return "name is empty";
    case NameFault::Absolute: return "name is absolute (starts with a backslash or slash)";
    case NameFault::DriveOrStream: return "name contains a colon (drive letter or stream)";
    case NameFault::Slash: return "name contains a slash";
    case NameFault::ControlCharacter: return "name contains a control character";
    case NameFault::ReservedCharacter: return "name contains one of < > \" | ? *";
    case NameFault::BadDoubleByte: return "name has an incomplete or malformed double-byte character";
    case NameFault::EmptyComponent: return "name has an empty component (doubled or trailing backslash)";
    case NameFault::DotComponent: return "name has a '.' or '..' component";
    case NameFault::DeviceName: return "name uses a reserved device name";
    }
    return "name is invalid";
}
