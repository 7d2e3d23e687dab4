#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "common/code_page.h"

// Where the product goes: the proposed folder, a picked folder made into a
// target, and the checks on a typed path. Target paths are ANSI text; every
// length and position here counts bytes, and backslashes are found by
// walking the text character by character in the ANSI code page.

// The texts of the target directory page, in UTF-8.
inline constexpr char kBrowseTitle[] = "请选择安装目录";
inline constexpr char kBadTargetMessage[] = "安装路径不正确,请重新选择.";
// Followed by the target path.
inline constexpr char kConfirmTargetPrefix[] = "请确认安装路径:\n\n";
inline constexpr char kOldVersionRunningMessage[] = "你有老版本正在运行,请先关闭老版本,再安装本软件";

// The proposed target is built in a buffer of this size, terminator included.
inline constexpr std::size_t kDefaultTargetBufferSize = 300;

bool EndsWithBackslash(const std::string& path, const CodePage& codePage);

// `path` followed by a backslash unless it already ends in one.
std::string WithTrailingBackslash(std::string path, const CodePage& codePage);

// `folder` followed by the product folder ("Ombrel\"), with exactly one
// backslash between them. Appended whatever the folder is called.
std::string AppendProductFolder(std::string folder, const CodePage& codePage);

// The proposed target for the value of the ProgramFiles variable (nothing
// when it is not set). A missing or empty value, or one whose target would
// not fit the buffer, proposes the product folder on C:.
std::string DefaultTargetFrom(const std::optional<std::string>& programFiles, const CodePage& codePage);

enum class TargetFormat {
    Valid,
    TooShort,        // fewer than 3 bytes
    NoDriveColon,    // the second byte is not a colon
    Wildcard,        // a '*' or '?' would make the old-version lookup match other files
    EmbeddedZero,    // the system would see only the text before the zero byte
    CutCharacter,    // ends in the first byte of a double-byte character
};

// Whether a typed path may become the target. The first byte is not looked
// at: any drive-letter-shaped path passes.
TargetFormat CheckTargetFormat(const std::string& path, const CodePage& codePage);

// The target for a typed path: the path with a trailing backslash, or
// nothing when its format is refused.
std::optional<std::string> NormalisedTarget(const std::string& pathBoxText, const CodePage& codePage);

// The product's program in a target, the file a running old version holds.
std::string OldProductExe(const std::string& target);
