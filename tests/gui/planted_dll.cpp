// A DLL planted beside a program under the name of a system DLL. Whoever
// loads it leaves a marker next to it: "<its own path>.loaded", holding the
// path of the program that loaded it. It exports nothing.
#include <windows.h>

#include <string>

namespace {

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

void WriteMarker(HINSTANCE self)
{
    const std::wstring dll = ModulePath(self);
    const std::wstring host = ModulePath(nullptr);
    if (dll.empty())
        return;
    const HANDLE file = CreateFileW((dll + L".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, host.data(), static_cast<DWORD>(host.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        WriteMarker(instance);
    return TRUE;
}
