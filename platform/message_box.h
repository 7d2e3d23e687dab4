#pragma once

#include <windows.h>

#include <string>

// A modal message box, usable from the interface thread and from the worker.
// The caption is the program file's name without its extension. Flags that
// name no icon get the warning icon on OK and OK/Cancel boxes. The owner is
// the main window's last active popup (the page on top), so the box stays in
// front of it and keeps it disabled while it is up. Returns the button
// pressed (IDOK, IDYES, IDNO, ...).
int AfxMessageBox(const std::wstring& text, unsigned flags = 0, unsigned helpId = 0);

// The same over a given window, for a message that belongs to that window
// whichever window happens to be active.
int MessageBoxOver(HWND owner, const char* utf8Text, unsigned flags = 0);

// The same for one of the program's own texts, written in UTF-8 in the
// sources, so it shows correctly whatever the machine's ANSI code page.
int AfxMessageBox(const char* utf8Text, unsigned flags = 0, unsigned helpId = 0);
