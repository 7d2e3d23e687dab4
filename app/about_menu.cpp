#include "app/about_menu.h"

#include "res/resource.h"

bool AppendAboutItem(HMENU systemMenu, const std::wstring& text)
{
    if (!systemMenu || text.empty())
        return false;
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    return ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text.c_str()) != FALSE;
}
