#pragma once

#include <windows.h>

// On a system that does not know the templates' Chinese font by its Chinese
// name (typically one whose ANSI code page is not 936) the dialog's texts
// would show as boxes: the dialog's controls then switch to a font of
// the same size that has the program's characters, Chinese and Latin. A
// dialog whose font has them is left as it is. Returns the font the controls
// draw with. (The dialog keeps its own font: its units come from it.)
HFONT UseFontWithProgramCharacters(HWND dialog);
