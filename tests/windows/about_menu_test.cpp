#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/about_menu.h"
#include "res/resource.h"

namespace {

// A popup menu, destroyed on every path.
class PopupMenu {
public:
    PopupMenu() : m_menu(CreatePopupMenu()) {}
    ~PopupMenu()
    {
        if (m_menu)
            DestroyMenu(m_menu);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Get() const { return m_menu; }

private:
    HMENU m_menu;
};

struct Item {
    UINT id;
    bool separator;
    std::wstring text;
    bool operator==(const Item& o) const { return id == o.id && separator == o.separator && text == o.text; }
};

std::vector<Item> Items(HMENU menu)
{
    std::vector<Item> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        items.push_back({info.wID, (info.fType & MFT_SEPARATOR) != 0, text});
    }
    return items;
}

// A menu like the system menu: the About command goes after what is there.
TEST(AboutMenuTest, TextAddsASeparatorAndTheAboutCommandAtTheEnd)
{
    const PopupMenu menu;
    ASSERT_NE(menu.Get(), nullptr);
    AppendMenuW(menu.Get(), MF_STRING, SC_MOVE, L"移动(&M)");
    AppendMenuW(menu.Get(), MF_STRING, SC_CLOSE, L"关闭(&C)");

    EXPECT_TRUE(AppendAboutItem(menu.Get(), L"关于 Install(&A)..."));
    const std::vector<Item> expected = {
        {SC_MOVE, false, L"移动(&M)"},
        {SC_CLOSE, false, L"关闭(&C)"},
        {0, true, L""},
        {IDM_ABOUTBOX, false, L"关于 Install(&A)..."},
    };
    EXPECT_EQ(Items(menu.Get()), expected);
}

// With string 101 empty the system menu gets neither separator nor item.
TEST(AboutMenuTest, EmptyTextOrNoMenuAddsNothing)
{
    const PopupMenu menu;
    ASSERT_NE(menu.Get(), nullptr);
    AppendMenuW(menu.Get(), MF_STRING, SC_CLOSE, L"关闭(&C)");

    EXPECT_FALSE(AppendAboutItem(menu.Get(), L""));
    EXPECT_EQ(Items(menu.Get()), (std::vector<Item>{{SC_CLOSE, false, L"关闭(&C)"}}));
    EXPECT_FALSE(AppendAboutItem(nullptr, L"关于 Install(&A)..."));
}

} // namespace
