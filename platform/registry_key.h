#pragma once

#include <windows.h>

// An open registry key, owned: closed by the destructor. Predefined root
// handles are never stored here, only keys this program opened.
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    HKEY Get() const { return m_hKey; }
    // For the out parameter of RegOpenKeyEx/RegCreateKeyEx; closes any key held.
    HKEY* Receive()
    {
        Close();
        return &m_hKey;
    }
    void Close()
    {
        if (m_hKey) {
            RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
    }

private:
    HKEY m_hKey = nullptr;
};
