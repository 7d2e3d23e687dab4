#pragma once

// Helpers for the tests that run under Wine on real files, registry and shell.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/install_dir.h"
#include "install/install_host.h"
#include "tests/support/package_bytes.h"

namespace wintest {

using testpkg::Bytes;

inline bool WriteBytes(const std::string& ansiPath, const Bytes& bytes)
{
    std::ofstream out(ansiPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline Bytes ReadBytes(const std::string& ansiPath)
{
    std::ifstream in(ansiPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& ansiPath)
{
    const Bytes bytes = ReadBytes(ansiPath);
    return std::string(bytes.begin(), bytes.end());
}

inline bool Exists(const std::string& ansiPath)
{
    return GetFileAttributesA(ansiPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsDirectory(const std::string& ansiPath)
{
    const DWORD attributes = GetFileAttributesA(ansiPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The test executable's own folder, with its trailing backslash.
inline std::string ExeFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1);
}

// Everything the installation reported, in order.
class CRecordingHost final : public IInstallHost {
public:
    void SetProgressRange(std::int32_t upper) override { ranges.push_back(upper); }
    void SetProgressPos(std::int32_t position) override { positions.push_back(position); }
    void SetStatusText(const std::string& ansiText) override { statusTexts.push_back(ansiText); }
    void ShowMessage(const char* utf8Text) override { messages.emplace_back(utf8Text); }

    std::vector<std::int32_t> ranges;
    std::vector<std::int32_t> positions;
    std::vector<std::string> statusTexts;
    std::vector<std::string> messages;
};

} // namespace wintest
