/* Sample product: shows the command line it was started with, so a person
 * trying the setup program can see how it launched the browser. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR args, int show)
{
    (void)instance;
    (void)previous;
    (void)args;
    (void)show;
    MessageBoxW(NULL, GetCommandLineW(), L"Ombrel (sample)", MB_OK | MB_ICONINFORMATION);
    return 0;
}
