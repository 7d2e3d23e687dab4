#include <windows.h>

#include "platform/app.h"

// The command line is not read: the setup program has no options.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(instance);
}
