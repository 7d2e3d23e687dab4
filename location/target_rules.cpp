#include "location/target_rules.h"

#include "common/product.h"

namespace {

constexpr char kFallbackDrive[] = "C:";

} // namespace

bool EndsWithBackslash(const std::string& path, const CodePage& codePage)
{
    // Only a backslash that is a character of its own counts, not the
    // second byte of a double-byte character.
    std::size_t lastStart = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += codePage.CharWidth(path, i))
        lastStart = i;
    return lastStart != std::string::npos && lastStart + 1 == path.size() && path[lastStart] == '\\';
}

std::string WithTrailingBackslash(std::string path, const CodePage& codePage)
{
    if (!EndsWithBackslash(path, codePage))
        path += '\\';
    return path;
}

std::string AppendProductFolder(std::string folder, const CodePage& codePage)
{
    folder = WithTrailingBackslash(std::move(folder), codePage);
    folder += kProductName;
    folder += '\\';
    return folder;
}

std::string DefaultTargetFrom(const std::optional<std::string>& programFiles, const CodePage& codePage)
{
    // The buffer's text ends at the first zero byte.
    std::string base = programFiles ? programFiles->substr(0, programFiles->find('\0')) : std::string();
    if (base.empty())
        base = kFallbackDrive;
    // The value and the product folder appended to it must fit the buffer
    // with its terminator; a value too long to be read fails this as well.
    std::string target = AppendProductFolder(base, codePage);
    if (target.size() >= kDefaultTargetBufferSize)
        target = AppendProductFolder(kFallbackDrive, codePage);
    return target;
}

TargetFormat CheckTargetFormat(const std::string& path, const CodePage& codePage)
{
    if (path.size() < 3)
        return TargetFormat::TooShort;
    if (path[1] != ':')
        return TargetFormat::NoDriveColon;
    if (path.find('\0') != std::string::npos)
        return TargetFormat::EmbeddedZero;
    for (std::size_t i = 0; i < path.size(); i += codePage.CharWidth(path, i)) {
        if (codePage.CharWidth(path, i) == 2)
            continue;
        if (path[i] == '*' || path[i] == '?')
            return TargetFormat::Wildcard;
        // A backslash appended here would complete the character instead of
        // ending the path.
        if (codePage.IsLeadByte(static_cast<unsigned char>(path[i])))
            return TargetFormat::CutCharacter;
    }
    return TargetFormat::Valid;
}

std::optional<std::string> NormalisedTarget(const std::string& pathBoxText, const CodePage& codePage)
{
    if (CheckTargetFormat(pathBoxText, codePage) != TargetFormat::Valid)
        return std::nullopt;
    return WithTrailingBackslash(pathBoxText, codePage);
}

std::string OldProductExe(const std::string& target)
{
    return target + kProductExe;
}
