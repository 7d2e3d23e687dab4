#pragma once

#include <windows.h>
#include <objbase.h>

// COM initialised for the calling thread while this object lives (a
// single-threaded apartment). Uninitialised only if this call initialised it.
class CComApartment {
public:
    CComApartment() : m_hr(CoInitialize(nullptr)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_hr;
};

// An owned COM interface pointer: released by the destructor.
template <typename T>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters typed void** (CoCreateInstance, QueryInterface).
    void** ReceiveVoid()
    {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    void Reset()
    {
        if (m_p) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

// Memory handed out by the shell's task allocator (item identifier lists):
// freed with CoTaskMemFree.
template <typename T>
class CCoTaskMem {
public:
    CCoTaskMem() = default;
    ~CCoTaskMem() { CoTaskMemFree(m_p); }
    CCoTaskMem(const CCoTaskMem&) = delete;
    CCoTaskMem& operator=(const CCoTaskMem&) = delete;

    T* Get() const { return m_p; }
    T** Receive()
    {
        CoTaskMemFree(m_p);
        m_p = nullptr;
        return &m_p;
    }

private:
    T* m_p = nullptr;
};
