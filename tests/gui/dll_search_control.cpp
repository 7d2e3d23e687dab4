// The control for the DLL planting test: loads the DLLs named on its command
// line the way a program does. Plain, with the loader's default search (the
// program's folder first); with --restricted first, after restricting the
// search to the system folder the way the setup program does at its start.
// Prints where each DLL came from; exits 0 once it has tried them all.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    int first = 1;
    if (argc > 1 && std::wstring(argv[1]) == L"--restricted") {
        first = 2;
        if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) || !SetDllDirectoryW(L"")) {
            std::wprintf(L"restricting the DLL search failed, error %lu\n", GetLastError());
            return 2;
        }
    }
    for (int i = first; i < argc; ++i) {
        // Kept loaded: the process ends right after.
        const HMODULE module = LoadLibraryW(argv[i]);
        wchar_t path[MAX_PATH] = {};
        if (module)
            GetModuleFileNameW(module, path, MAX_PATH);
        std::wprintf(L"%ls: %ls\n", argv[i], module ? path : L"not loaded");
    }
    return 0;
}
