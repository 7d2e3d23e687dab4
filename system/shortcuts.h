#pragma once

// Puts a shortcut to the product on the user's desktop and two in the Start
// menu's product folder (product and uninstaller), all pointing into
// g_strInstallDir. Existing shortcuts of the same names are overwritten.
// A shortcut whose folder cannot be determined, whose path does not fit, or
// whose save fails is skipped silently. Returns 1 when the shell's link
// objects cannot be created, else 0.
int CreateShortcuts();
