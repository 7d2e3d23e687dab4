#pragma once

#include <windows.h>

#include <string>

// Appends a separator and the About command (IDM_ABOUTBOX) to `systemMenu`;
// an empty text adds nothing. Returns whether the item was added.
bool AppendAboutItem(HMENU systemMenu, const std::wstring& text);
