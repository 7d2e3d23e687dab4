#pragma once

#include <windows.h>

#include <string>

// A file search, owned: the search handle is closed by the destructor.
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // True when a file or folder matches `ansiPath` (an ANSI path whose last
    // part may hold wildcards). Starts a new search, ending any earlier one.
    bool FindFile(const std::string& ansiPath)
    {
        Close();
        // The system would search for the text before a zero byte instead.
        if (ansiPath.find('\0') != std::string::npos)
            return false;
        WIN32_FIND_DATAA found;
        m_search = FindFirstFileA(ansiPath.c_str(), &found);
        return m_search != INVALID_HANDLE_VALUE;
    }

    void Close()
    {
        if (m_search != INVALID_HANDLE_VALUE) {
            FindClose(m_search);
            m_search = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE m_search = INVALID_HANDLE_VALUE;
};
