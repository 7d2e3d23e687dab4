/* Sample uninstaller: the real one removes the product; this one only says
 * what it is, so a test installation is never touched by accident. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR args, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    WCHAR text[1024];
    wsprintfW(text, L"This is the sample uninstaller of Ombrel. It removes nothing.\n\nArguments: %.900s",
              args);
    MessageBoxW(NULL, text, L"Ombrel Uninstall (sample)", MB_OK | MB_ICONINFORMATION);
    return 0;
}
