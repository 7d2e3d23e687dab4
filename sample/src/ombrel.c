/* Sample product: records the command line it was started with in
 * started.txt beside itself (UTF-8, one line per start), so a test can see
 * the readme address arrive, and shows it to a person trying the setup. */
#include <windows.h>

static void RecordCommandLine(const WCHAR* commandLine)
{
    WCHAR path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    while (length > 0 && path[length - 1] != L'\\')
        --length;
    lstrcpyW(path + length, L"started.txt");

    char utf8[4096];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (bytes <= 0)
        return;
    bytes -= 1; /* without the terminator */
    utf8[bytes++] = '\r';
    utf8[bytes++] = '\n';

    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8, (DWORD)bytes, &written, NULL);
    CloseHandle(file);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR args, int show)
{
    (void)instance;
    (void)previous;
    (void)args;
    (void)show;
    RecordCommandLine(GetCommandLineW());
    MessageBoxW(NULL, GetCommandLineW(), L"Ombrel (sample)", MB_OK | MB_ICONINFORMATION);
    return 0;
}
