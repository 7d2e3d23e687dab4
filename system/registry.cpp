#include "system/registry.h"

#include "common/install_dir.h"
#include "common/product.h"
#include "platform/registry_key.h"

bool CRegistry::SetRootKey(HKEY root)
{
    if (root != HKEY_CLASSES_ROOT && root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE && root != HKEY_USERS)
        return false;
    m_hRootKey = root;
    return true;
}

bool CRegistry::SetKey(std::string path, bool create)
{
    if (path.empty()) {
        m_strKeyPath.clear();
        return true;
    }
    CRegKey key;
    LONG result;
    if (create) {
        DWORD disposition = 0;
        result = RegCreateKeyExA(m_hRootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, key.Receive(), &disposition);
    } else {
        result = RegOpenKeyExA(m_hRootKey, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    }
    if (result != ERROR_SUCCESS)
        return false;
    m_strKeyPath = std::move(path);
    return true;
}

bool CRegistry::WriteString(std::string name, std::string value)
{
    if (value.size() > kMaxRegistryStringLength)
        return false;
    CRegKey key;
    if (RegOpenKeyExA(m_hRootKey, m_strKeyPath.c_str(), 0, KEY_WRITE, key.Receive()) != ERROR_SUCCESS)
        return false;
    // The stored data includes the terminating zero.
    const auto* data = reinterpret_cast<const BYTE*>(value.c_str());
    return RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, data, static_cast<DWORD>(value.size() + 1)) ==
           ERROR_SUCCESS;
}

void WriteInstallRecord()
{
    CRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.SetKey(kRegistryKey, true))
        return;
    registry.WriteString("ver", kRecordedVersion);
    registry.WriteString("path", g_strInstallDir);
}
