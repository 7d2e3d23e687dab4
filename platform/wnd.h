#pragma once

#include <windows.h>

#include <string>

#include "platform/message_map.h"

// A window this program talks to. It does not own its handle: windows are
// destroyed by whoever created them (the dialog manager for controls, the
// modal loop for dialogs).
class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Texts: the program's own texts are UTF-8 literals; paths and other
    // data travel in the ANSI code page.
    void SetWindowText(const char* utf8Text);
    void SetWindowTextAnsi(const std::string& ansiText);
    std::string GetWindowTextAnsi() const;

    BOOL EnableWindow(BOOL enable);
    BOOL ShowWindow(int command);
    BOOL IsIconic() const;
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HMENU GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL bigIcon);
    void GetClientRect(RECT* rect) const;

    // Centres the window over `alternateOwner` (the desktop window centres it
    // on the work area), or, given nothing, over its owner when that is
    // visible and not minimised, else on the work area; always kept inside
    // the work area.
    void CenterWindow(HWND alternateOwner = nullptr);

    virtual BOOL DestroyWindow();

    HWND m_hWnd = nullptr;

protected:
    // Called from a message handler: the message then gets the window's
    // default processing once the handler returns.
    void Default() { m_bDefaultWanted = true; }

    // Dispatches a message through the message map. Returns true when a
    // handler took it and did not ask for default processing.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    // Runs the message map's handler, if any; false when there is none.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    bool m_bDefaultWanted = false;
};

// Controls bound to a dialog's child windows by DDX_Control.
class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

class CEdit : public CWnd {};
class CStatic : public CWnd {};

class CProgressCtrl : public CWnd {};

// The paint context of one WM_PAINT, ended on every path.
class CPaintDC {
public:
    explicit CPaintDC(CWnd& window) : m_window(window.m_hWnd), m_hDC(::BeginPaint(m_window, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_window, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }

private:
    HWND m_window;
    PAINTSTRUCT m_ps = {};
    HDC m_hDC;
};
