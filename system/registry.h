#pragma once

#include <windows.h>

#include <string>

// Writes string values below one key of one predefined root. Holds no open
// key between calls: each operation opens what it needs and closes it.
class CRegistry {
public:
    CRegistry() = default;

    // Accepts HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and
    // HKEY_USERS; any other handle is refused and the root stays as it was.
    bool SetRootKey(HKEY root);
    // Makes `path` the current key: created when `create`, else it must exist.
    // An empty path empties the current key. On failure the previous key stays.
    bool SetKey(std::string path, bool create);
    // Stores a REG_SZ value of at most 254 bytes (ANSI, without terminator);
    // longer values are refused without touching the registry.
    bool WriteString(std::string name, std::string value);

private:
    HKEY m_hRootKey = HKEY_CURRENT_USER;
    std::string m_strKeyPath;
};

inline constexpr std::size_t kMaxRegistryStringLength = 254;

// Records the product version and g_strInstallDir under the product's key in
// HKEY_LOCAL_MACHINE. Silent: without the right to write there, the record is
// simply missing.
void WriteInstallRecord();
