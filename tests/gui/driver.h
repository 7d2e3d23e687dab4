#pragma once

// Drives the setup program's windows from another process, the way a user
// would: starts it, waits for its dialogs and message boxes, reads their
// controls, presses buttons and keys, and takes screenshots. All texts are
// UTF-16. Every wait polls (kPollMs steps) up to a bounded timeout and never
// blocks on the target: messages that may start a modal loop in the target
// (button clicks, keys, commands) are posted, never sent; reads use
// SendMessageTimeout so a hung target cannot hang the driver.
//
// "Visible" below means IsWindowVisible: the window has WS_VISIBLE (a window
// moved off the screen is still visible).

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gui {

inline constexpr DWORD kDefaultTimeoutMs = 20000;
inline constexpr DWORD kPollMs = 50;

// A kernel handle (process, thread), owned: closed by the destructor.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset(HANDLE handle = nullptr);

private:
    HANDLE m_handle = nullptr;
};

// A program file loaded as data, for its resources; freed by the destructor.
class ResourceModule {
public:
    explicit ResourceModule(const std::wstring& path);
    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

// Variables set in (or added to) the driver's own environment for a child.
// Wine takes its own settings (WINEDLLOVERRIDES, WINEDEBUG, ...) from the
// driver's Unix environment instead: setting them here has no effect there.
using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

// A program started by the driver. Move-only. The destructor ends the
// program if it still runs, so a failed test leaves nothing behind.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&&) noexcept = default;
    Process& operator=(Process&&) noexcept;

    // Starts `exePath` with `arguments` (appended after the quoted path) in
    // `workingDir` (empty: the driver's own), with `environment` applied on
    // top of the driver's environment. Returns false, with Error() saying
    // why, when the program could not be started.
    bool Start(const std::wstring& exePath, const std::wstring& arguments = {}, const std::wstring& workingDir = {},
               const Environment& environment = {});

    bool IsStarted() const { return static_cast<bool>(m_process); }
    HANDLE Get() const { return m_process.Get(); }
    DWORD Id() const { return m_processId; }
    DWORD MainThreadId() const { return m_threadId; }
    const std::wstring& Error() const { return m_error; }

    bool IsRunning() const;
    // The exit code once the program has ended, or nullopt when it still
    // runs after `timeoutMs`.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Kills the program (exit code `code`) and waits for it to be gone.
    void Terminate(UINT code = 99);

private:
    UniqueHandle m_process;
    UniqueHandle m_thread;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
    std::wstring m_error;
};

// Polls `condition` every kPollMs until it holds (true) or `timeoutMs` has
// passed (false); the condition is checked at least once.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// ---- Windows ------------------------------------------------------------

// Top-level windows of the process, visible or not, in Z order (top first).
std::vector<HWND> TopLevelWindows(DWORD processId);

std::wstring ClassName(HWND window);
// The window's text through WM_GETTEXT (works across processes and for
// controls such as edits); empty when the window does not answer in 5 s.
std::wstring WindowText(HWND window);
bool IsDialogClass(HWND window); // class "#32770"

// Which dialog to wait for: every given condition must hold. An empty query
// matches any visible dialog of the process.
struct DialogQuery {
    std::optional<std::wstring> caption; // exact caption
    std::vector<int> controlIds;         // each ID is a child of the dialog
    std::vector<int> absentIds;          // none of these IDs is a child
};

// The first (topmost) visible "#32770" window of the process that matches,
// or null.
HWND FindDialog(DWORD processId, const DialogQuery& query);
// The same, polled until one appears; null after `timeoutMs`.
HWND WaitForDialog(DWORD processId, const DialogQuery& query, DWORD timeoutMs = kDefaultTimeoutMs);
HWND WaitForDialog(DWORD processId, const std::wstring& caption, DWORD timeoutMs = kDefaultTimeoutMs);

// A visible message box of the process: a "#32770" with a static of ID
// 0xFFFF (the message text). `text` empty matches any message box,
// otherwise the message text must equal it. Null after `timeoutMs`.
HWND WaitForMessageBox(DWORD processId, const std::wstring& text = {}, DWORD timeoutMs = kDefaultTimeoutMs);
// The message text of a message box (the static 0xFFFF), or empty.
std::wstring MessageBoxText(HWND box);

// A visible popup menu (class "#32768") of the process, such as the open
// system menu; null after `timeoutMs`.
HWND WaitForPopupMenu(DWORD processId, DWORD timeoutMs = kDefaultTimeoutMs);

// Waits until `window` is destroyed or hidden; false after `timeoutMs`.
bool WaitForGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);
// Waits until the window's enabled state is `enabled`; false on timeout.
bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs = kDefaultTimeoutMs);

// ---- Controls -----------------------------------------------------------

// A position and size in dialog units, as a template states them.
struct DluRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool operator==(const DluRect& o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
    bool operator!=(const DluRect& o) const { return !(*this == o); }
};

struct ControlInfo {
    HWND window = nullptr;
    // The control ID as a 16-bit signed value: a static without an ID reads
    // -1 whether its template stored 0xFFFF or 0xFFFFFFFF.
    int id = 0;
    std::wstring className;
    std::wstring text; // WM_GETTEXT
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false; // WS_VISIBLE of the control itself
    bool enabled = false;
    RECT pixels = {}; // relative to the dialog's client area
    DluRect dlu;      // the same in dialog units, when dluKnown
    bool dluKnown = false;
};

// The dialog's base units (pixels per 4 horizontal / 8 vertical dialog
// units), measured with MapDialogRect.
struct DialogUnits {
    int baseX = 0;
    int baseY = 0;
    // Pixels for dialog units, as the dialog manager computes them.
    int ToPixelsX(int dlu) const;
    int ToPixelsY(int dlu) const;
    // Dialog units for pixels: the value whose mapping gives exactly these
    // pixels when there is one (so template values come back unchanged),
    // else the nearest.
    int FromPixelsX(int pixels) const;
    int FromPixelsY(int pixels) const;
    DluRect FromPixels(const RECT& pixels) const;
};

// Base units of `dialog`; nullopt when they cannot be measured. For another
// process's dialog they are measured on a dialog of the driver's own made
// with the font of the target's template (found in the target program's
// resources by caption and control IDs), so a dialog made from a template
// of its own program is measured either way; a system one (a message box)
// is not.
std::optional<DialogUnits> MeasureDialogUnits(HWND dialog);

// The characters of `text` that the font `dialog` draws with has no glyph
// for (they show as boxes): its template's font, or the font the program
// falls back to when that one lacks the program's characters. Found like
// MeasureDialogUnits finds the units; nullopt when the font cannot be found.
std::optional<std::wstring> MissingGlyphs(HWND dialog, const std::wstring& text);

// The dialog's direct child controls in Z order, which is template order
// unless the program reordered them.
std::vector<ControlInfo> ListControls(HWND dialog);
// The control with `id` in `controls`, or null.
const ControlInfo* FindControl(const std::vector<ControlInfo>& controls, int id);
// The dialog's client area in dialog units (cx, cy; x = y = 0).
std::optional<DluRect> ClientSizeDlu(HWND dialog);

// DM_GETDEFID: the default push button's ID, or nullopt when there is none.
std::optional<int> DefaultButtonId(HWND dialog);
// The window with keyboard focus on the thread that owns `window`, or null.
HWND FocusedWindow(HWND window);
// The 16-bit signed ID of the focused control when it is a child of
// `dialog`, else nullopt.
std::optional<int> FocusedControlId(HWND dialog);

// ---- Input --------------------------------------------------------------

// Posts BM_CLICK to the dialog's button `id`; false when it has none.
bool ClickButton(HWND dialog, int id);
// Sends WM_SETTEXT to the dialog's control `id` (an edit box).
bool SetControlText(HWND dialog, int id, const std::wstring& text);
// Posts WM_KEYDOWN/WM_KEYUP of virtual key `vk` (VK_RETURN, VK_ESCAPE, ...)
// to the focused window of the thread owning `window` (or `window` itself
// when that thread has no focus), so the modal loop's IsDialogMessage sees
// it as typed.
bool PressKey(HWND window, UINT vk);
// Posts WM_SYSCOMMAND `command` (SC_CLOSE, a program's own system menu
// command, ...). SC_KEYMENU with `param` L' ' opens the system menu.
bool PostSysCommand(HWND window, WPARAM command, LPARAM param = 0);
// Posts WM_CHAR `c` to the focused window of the thread owning `window`
// (or `window`); an open menu takes it as its access key.
bool TypeChar(HWND window, wchar_t c);
// Posts WM_CLOSE.
bool PostClose(HWND window);
// Presses button `buttonId` (IDOK, IDYES, IDNO, ...) of a message box.
bool AnswerMessageBox(HWND box, int buttonId);

// ---- Menus --------------------------------------------------------------

struct MenuItem {
    UINT id = 0;
    std::wstring text;
    bool separator = false;
};

// Items of a menu of the driver's own process (Wine keeps menus per
// process); nullopt when it cannot be read.
std::optional<std::vector<MenuItem>> ReadMenu(HMENU menu);
// Items of the system menu of `window` of any process; nullopt when the
// system does not hand out another process's system menu (Wine does not).
std::optional<std::vector<MenuItem>> SystemMenuItems(HWND window);

// ---- Files --------------------------------------------------------------

// Makes `window` and its children repaint now and waits until its pixels on
// the screen are the same in two captures kPollMs apart (the system copies
// painted windows to the display asynchronously); false after `timeoutMs`
// or once the window is gone.
// Call it before a screenshot.
bool WaitForPainted(HWND window, DWORD timeoutMs = 5000);

// Saves the whole screen as a 24-bit BMP at `path`.
bool SaveScreenshot(const std::wstring& path);

// `text` in UTF-8, for messages and comparisons in test output.
std::string Utf8(const std::wstring& text);

// The driver program's own folder, with a trailing backslash.
std::wstring ExeFolder();

} // namespace gui
