#include "tests/gui/driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <memory>

#include "platform/dialog_font.h"

namespace gui {

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                            nullptr);
    return out;
}

namespace {

constexpr UINT kReadTimeoutMs = 5000;

ULONGLONG Now()
{
    return GetTickCount64();
}

// The raw control ID, as the window stores it.
LONG_PTR RawId(HWND window)
{
    return GetWindowLongPtrW(window, GWLP_ID);
}

int ShortId(HWND window)
{
    return static_cast<short>(static_cast<WORD>(static_cast<ULONG_PTR>(RawId(window)) & 0xFFFF));
}

// Direct children of `parent` in Z order.
std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND ChildById(HWND parent, int id)
{
    for (const HWND child : Children(parent)) {
        if (ShortId(child) == static_cast<short>(id))
            return child;
    }
    return nullptr;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

// The environment strings of this process, freed on every path.
struct EnvironmentStringsDeleter {
    void operator()(wchar_t* block) const { FreeEnvironmentStringsW(block); }
};

std::vector<wchar_t> BuildEnvironmentBlock(const Environment& changes)
{
    std::vector<std::wstring> entries;
    const std::unique_ptr<wchar_t, EnvironmentStringsDeleter> current(GetEnvironmentStringsW());
    for (const wchar_t* p = current.get(); p && *p; p += wcslen(p) + 1)
        entries.emplace_back(p);
    for (const auto& [name, value] : changes) {
        // Names may start with '=' (per-drive folders): look for the
        // separator after the first character.
        const auto sameName = [&name](const std::wstring& entry) {
            const std::size_t eq = entry.find(L'=', 1);
            return eq != std::wstring::npos && EqualNoCase(entry.substr(0, eq), name);
        };
        entries.erase(std::remove_if(entries.begin(), entries.end(), sameName), entries.end());
        entries.push_back(name + L"=" + value);
    }
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::vector<wchar_t> block;
    for (const std::wstring& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

std::wstring ErrorText(const wchar_t* what, DWORD code)
{
    return std::wstring(what) + L" failed, error " + std::to_wstring(code);
}

// GDI objects of one screenshot, released on every path.
class ScreenDc {
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (m_dc)
            ReleaseDC(nullptr, m_dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : m_dc(CreateCompatibleDC(compatible)) {}
    ~MemoryDc()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : m_object(object) {}
    ~GdiObject()
    {
        if (m_object)
            DeleteObject(m_object);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ Get() const { return m_object; }

private:
    HGDIOBJ m_object;
};

// An object selected into a DC while this lives.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~Selection()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

bool WriteAll(HANDLE file, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

} // namespace

// ---- Handles and processes ------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept
{
    if (this != &other)
        Reset(std::exchange(other.m_handle, nullptr));
    return *this;
}

void UniqueHandle::Reset(HANDLE handle)
{
    if (m_handle && m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

Process::~Process()
{
    if (IsRunning())
        Terminate();
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (IsRunning())
            Terminate();
        m_process = std::move(other.m_process);
        m_thread = std::move(other.m_thread);
        m_processId = std::exchange(other.m_processId, 0);
        m_threadId = std::exchange(other.m_threadId, 0);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool Process::Start(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& workingDir,
                    const Environment& environment)
{
    if (IsRunning())
        Terminate();
    m_process.Reset();
    m_thread.Reset();
    m_processId = 0;
    m_threadId = 0;
    m_error.clear();

    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    std::vector<wchar_t> block;
    DWORD flags = 0;
    if (!environment.empty()) {
        block = BuildEnvironmentBlock(environment);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exePath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, flags,
                        block.empty() ? nullptr : block.data(), workingDir.empty() ? nullptr : workingDir.c_str(),
                        &startup, &info)) {
        m_error = ErrorText(L"CreateProcessW", GetLastError()) + L" for " + exePath;
        return false;
    }
    m_process.Reset(info.hProcess);
    m_thread.Reset(info.hThread);
    m_processId = info.dwProcessId;
    m_threadId = info.dwThreadId;
    return true;
}

bool Process::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) const
{
    if (!m_process || WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(m_process.Get(), &code))
        return std::nullopt;
    return code;
}

void Process::Terminate(UINT code)
{
    if (!m_process)
        return;
    TerminateProcess(m_process.Get(), code);
    WaitForSingleObject(m_process.Get(), kDefaultTimeoutMs);
}

ResourceModule::ResourceModule(const std::wstring& path)
    : m_module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
{
}

ResourceModule::~ResourceModule()
{
    if (m_module)
        FreeLibrary(m_module);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = Now() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (Now() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

// ---- Windows ----------------------------------------------------------------

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &length))
        return std::wstring();
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kReadTimeoutMs, &copied))
        return std::wstring();
    return std::wstring(buffer.data(), std::min<std::size_t>(copied, length));
}

bool IsDialogClass(HWND window)
{
    return ClassName(window) == L"#32770";
}

HWND FindDialog(DWORD processId, const DialogQuery& query)
{
    for (const HWND window : TopLevelWindows(processId)) {
        if (!IsWindowVisible(window) || !IsDialogClass(window))
            continue;
        if (query.caption && WindowText(window) != *query.caption)
            continue;
        const bool hasAll = std::all_of(query.controlIds.begin(), query.controlIds.end(),
                                        [window](int id) { return ChildById(window, id) != nullptr; });
        const bool hasNone = std::none_of(query.absentIds.begin(), query.absentIds.end(),
                                          [window](int id) { return ChildById(window, id) != nullptr; });
        if (hasAll && hasNone)
            return window;
    }
    return nullptr;
}

HWND WaitForDialog(DWORD processId, const DialogQuery& query, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(processId, query)) != nullptr; }, timeoutMs);
    return found;
}

HWND WaitForDialog(DWORD processId, const std::wstring& caption, DWORD timeoutMs)
{
    DialogQuery query;
    query.caption = caption;
    return WaitForDialog(processId, query, timeoutMs);
}

namespace {

// The message text static of a message box: ID 0xFFFF as stored (a static
// of a DIALOGEX template without an ID stores 0xFFFFFFFF instead).
HWND MessageTextStatic(HWND box)
{
    for (const HWND child : Children(box)) {
        if (static_cast<ULONG_PTR>(RawId(child)) == 0xFFFF && EqualNoCase(ClassName(child), L"Static"))
            return child;
    }
    return nullptr;
}

} // namespace

std::wstring MessageBoxText(HWND box)
{
    const HWND text = MessageTextStatic(box);
    return text ? WindowText(text) : std::wstring();
}

HWND WaitForMessageBox(DWORD processId, const std::wstring& text, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (const HWND window : TopLevelWindows(processId)) {
                if (!IsWindowVisible(window) || !IsDialogClass(window))
                    continue;
                const HWND message = MessageTextStatic(window);
                if (message && (text.empty() || WindowText(message) == text)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool WaitForGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs)
{
    return WaitUntil([window, enabled] { return IsWindow(window) && (IsWindowEnabled(window) != FALSE) == enabled; },
                     timeoutMs);
}

// ---- Controls ---------------------------------------------------------------

int DialogUnits::ToPixelsX(int dlu) const
{
    return MulDiv(dlu, baseX, 4);
}

int DialogUnits::ToPixelsY(int dlu) const
{
    return MulDiv(dlu, baseY, 8);
}

namespace {

// Inverts a rounding scale `forward` near the estimate `pixels * scale`.
template <typename Forward>
int Invert(int pixels, double perPixel, Forward forward)
{
    const int estimate = static_cast<int>(std::lround(pixels * perPixel));
    for (const int candidate : {estimate, estimate - 1, estimate + 1}) {
        if (forward(candidate) == pixels)
            return candidate;
    }
    return estimate;
}

} // namespace

int DialogUnits::FromPixelsX(int pixels) const
{
    if (baseX <= 0)
        return 0;
    return Invert(pixels, 4.0 / baseX, [this](int d) { return ToPixelsX(d); });
}

int DialogUnits::FromPixelsY(int pixels) const
{
    if (baseY <= 0)
        return 0;
    return Invert(pixels, 8.0 / baseY, [this](int d) { return ToPixelsY(d); });
}

DluRect DialogUnits::FromPixels(const RECT& pixels) const
{
    // The dialog manager maps the origin and the size separately.
    DluRect dlu;
    dlu.x = FromPixelsX(pixels.left);
    dlu.y = FromPixelsY(pixels.top);
    dlu.cx = FromPixelsX(pixels.right - pixels.left);
    dlu.cy = FromPixelsY(pixels.bottom - pixels.top);
    return dlu;
}

namespace {

// A window of this process, destroyed on every path.
class OwnWindow {
public:
    explicit OwnWindow(HWND window) : m_window(window) {}
    ~OwnWindow()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

std::wstring ProcessImagePath(DWORD processId)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return std::wstring();
    std::vector<wchar_t> path(32768);
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size))
        return std::wstring();
    return std::wstring(path.data(), size);
}

// Reads a DLGTEMPLATEEX: what identifies it and the font it asks for.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Word(WORD& value) { return Read(&value, sizeof value); }
    bool Dword(DWORD& value) { return Read(&value, sizeof value); }
    bool Byte(BYTE& value) { return Read(&value, sizeof value); }
    bool Skip(std::size_t bytes)
    {
        if (m_size - m_offset < bytes)
            return false;
        m_offset += bytes;
        return true;
    }
    bool AlignDword() { return Skip((4 - m_offset % 4) % 4); }
    // A zero-terminated UTF-16 string.
    bool String(std::wstring& text)
    {
        text.clear();
        for (WORD c = 0;;) {
            if (!Word(c))
                return false;
            if (c == 0)
                return true;
            text.push_back(static_cast<wchar_t>(c));
        }
    }
    // A string or 0xFFFF followed by an ordinal.
    bool StringOrOrdinal(std::wstring& text)
    {
        WORD first = 0;
        if (m_size - m_offset < 2)
            return false;
        std::memcpy(&first, m_data + m_offset, 2);
        if (first == 0xFFFF) {
            text.clear();
            return Skip(4);
        }
        return String(text);
    }

private:
    bool Read(void* out, std::size_t bytes)
    {
        if (m_size - m_offset < bytes)
            return false;
        std::memcpy(out, m_data + m_offset, bytes);
        m_offset += bytes;
        return true;
    }

    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_offset = 0;
};

struct TemplateFont {
    DWORD style = 0; // the font-related DS_ bits of the dialog
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
};

struct ParsedTemplate {
    std::wstring caption;
    std::vector<int> ids;
    std::optional<TemplateFont> font;
};

std::optional<ParsedTemplate> ParseDialogEx(const BYTE* data, std::size_t size)
{
    TemplateReader in(data, size);
    WORD version = 0, signature = 0, count = 0;
    DWORD helpId = 0, exStyle = 0, style = 0;
    std::wstring menu, windowClass;
    ParsedTemplate parsed;
    if (!in.Word(version) || !in.Word(signature) || version != 1 || signature != 0xFFFF)
        return std::nullopt;
    if (!in.Dword(helpId) || !in.Dword(exStyle) || !in.Dword(style) || !in.Word(count) || !in.Skip(8) ||
        !in.StringOrOrdinal(menu) || !in.StringOrOrdinal(windowClass) || !in.String(parsed.caption))
        return std::nullopt;
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        TemplateFont font;
        font.style = style & (DS_SETFONT | DS_FIXEDSYS | DS_SHELLFONT);
        if (!in.Word(font.pointSize) || !in.Word(font.weight) || !in.Byte(font.italic) || !in.Byte(font.charset) ||
            !in.String(font.face))
            return std::nullopt;
        parsed.font = font;
    }
    for (WORD i = 0; i < count; ++i) {
        DWORD itemHelp = 0, itemExStyle = 0, itemStyle = 0, id = 0;
        WORD extra = 0;
        std::wstring itemClass, title;
        if (!in.AlignDword() || !in.Dword(itemHelp) || !in.Dword(itemExStyle) || !in.Dword(itemStyle) ||
            !in.Skip(8) || !in.Dword(id) || !in.StringOrOrdinal(itemClass) || !in.StringOrOrdinal(title) ||
            !in.Word(extra) || !in.Skip(extra))
            return std::nullopt;
        parsed.ids.push_back(static_cast<short>(static_cast<WORD>(id & 0xFFFF)));
    }
    return parsed;
}

struct TemplateSearch {
    HMODULE module;
    std::wstring caption;
    std::vector<int> ids;
    std::optional<TemplateFont> font;
};

BOOL CALLBACK MatchTemplate(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    auto* search = reinterpret_cast<TemplateSearch*>(param);
    const HRSRC info = FindResourceW(module, name, type);
    const HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return TRUE;
    const auto parsed = ParseDialogEx(static_cast<const BYTE*>(data), SizeofResource(module, info));
    if (parsed && parsed->caption == search->caption && parsed->ids == search->ids) {
        search->font = parsed->font;
        return FALSE;
    }
    return TRUE;
}

// The font of the template `dialog` was made from: the template of its
// program with the same caption and the same control IDs in the same order.
std::optional<TemplateFont> FontOfTemplate(HWND dialog)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(dialog, &processId);
    const std::wstring path = ProcessImagePath(processId);
    if (path.empty())
        return std::nullopt;
    const ResourceModule module(path);
    if (!module.Get())
        return std::nullopt;
    TemplateSearch search{module.Get(), WindowText(dialog), {}, std::nullopt};
    for (const HWND child : Children(dialog))
        search.ids.push_back(ShortId(child));
    EnumResourceNamesW(module.Get(), RT_DIALOG, MatchTemplate,
                       reinterpret_cast<LONG_PTR>(&search));
    return search.font;
}

INT_PTR CALLBACK ProbeProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A hidden empty dialog of this process made with `font`: the same dialog
// manager and fonts make it the font and units the target's dialog has.
HWND CreateProbeDialog(const TemplateFont& font)
{
    std::vector<WORD> words;
    const auto dword = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    words.push_back(1);      // dlgVer
    words.push_back(0xFFFF); // signature
    dword(0);                // helpID
    dword(0);                // exStyle
    dword(WS_POPUP | font.style);
    words.insert(words.end(), {0, 0, 0, 10, 10, 0, 0, 0}); // no items, x y cx cy, no menu, class, caption
    words.push_back(font.pointSize);
    words.push_back(font.weight);
    words.push_back(static_cast<WORD>(font.italic | (font.charset << 8)));
    words.insert(words.end(), font.face.begin(), font.face.end());
    words.push_back(0);
    // Templates must be DWORD-aligned.
    std::vector<DWORD> aligned((words.size() + 1) / 2);
    std::memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()),
                                      nullptr, ProbeProc, 0);
}

std::optional<DialogUnits> UnitsOfOwnDialog(HWND dialog)
{
    // 400 x 800 units are exactly 100 base units either way.
    RECT rect = {0, 0, 400, 800};
    if (!MapDialogRect(dialog, &rect))
        return std::nullopt;
    return DialogUnits{static_cast<int>(rect.right / 100), static_cast<int>(rect.bottom / 100)};
}

bool IsOwnWindow(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId == GetCurrentProcessId();
}

} // namespace

std::optional<DialogUnits> MeasureDialogUnits(HWND dialog)
{
    std::optional<DialogUnits> units;
    if (IsOwnWindow(dialog)) {
        units = UnitsOfOwnDialog(dialog);
    } else if (const std::optional<TemplateFont> font = FontOfTemplate(dialog)) {
        // Wine answers MapDialogRect only for the caller's own dialogs.
        const OwnWindow probe(CreateProbeDialog(*font));
        if (probe.Get())
            units = UnitsOfOwnDialog(probe.Get());
    }
    if (!units || units->baseX <= 0 || units->baseY <= 0)
        return std::nullopt;
    return units;
}

std::optional<std::wstring> MissingGlyphs(HWND dialog, const std::wstring& text)
{
    std::optional<OwnWindow> probe;
    HWND fontSource = dialog;
    if (!IsOwnWindow(dialog)) {
        const std::optional<TemplateFont> font = FontOfTemplate(dialog);
        if (!font)
            return std::nullopt;
        probe.emplace(CreateProbeDialog(*font));
        fontSource = probe->Get();
    }
    // The font the program's controls end up with: the template's, or the
    // program's fallback when that one lacks their characters.
    const HFONT font = UseFontWithProgramCharacters(fontSource);
    const ScreenDc screen;
    if (!font || !screen.Get())
        return std::nullopt;
    const Selection selected(screen.Get(), font);
    std::vector<WORD> glyphs(text.size());
    if (!text.empty() && GetGlyphIndicesW(screen.Get(), text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                          GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return std::nullopt;
    std::wstring missing;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (glyphs[i] == 0xFFFF)
            missing += text[i];
    }
    return missing;
}

std::vector<ControlInfo> ListControls(HWND dialog)
{
    std::vector<ControlInfo> controls;
    const std::optional<DialogUnits> units = MeasureDialogUnits(dialog);
    for (const HWND child : Children(dialog)) {
        ControlInfo info;
        info.window = child;
        info.id = ShortId(child);
        info.className = ClassName(child);
        info.text = WindowText(child);
        info.style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        info.exStyle = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_EXSTYLE));
        info.visible = (info.style & WS_VISIBLE) != 0;
        info.enabled = IsWindowEnabled(child) != FALSE;
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        info.pixels = rect;
        if (units) {
            info.dlu = units->FromPixels(rect);
            info.dluKnown = true;
        }
        controls.push_back(std::move(info));
    }
    return controls;
}

const ControlInfo* FindControl(const std::vector<ControlInfo>& controls, int id)
{
    for (const ControlInfo& control : controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

std::optional<DluRect> ClientSizeDlu(HWND dialog)
{
    const std::optional<DialogUnits> units = MeasureDialogUnits(dialog);
    RECT client = {};
    if (!units || !GetClientRect(dialog, &client))
        return std::nullopt;
    return units->FromPixels(client);
}

std::optional<int> DefaultButtonId(HWND dialog)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &result))
        return std::nullopt;
    if (HIWORD(result) != DC_HASDEFID)
        return std::nullopt;
    return static_cast<short>(LOWORD(result));
}

HWND FocusedWindow(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!thread || !GetGUIThreadInfo(thread, &info))
        return nullptr;
    return info.hwndFocus;
}

std::optional<int> FocusedControlId(HWND dialog)
{
    const HWND focus = FocusedWindow(dialog);
    if (!focus || GetParent(focus) != dialog)
        return std::nullopt;
    return ShortId(focus);
}

// ---- Input ------------------------------------------------------------------

bool ClickButton(HWND dialog, int id)
{
    const HWND button = ChildById(dialog, id);
    return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool SetControlText(HWND dialog, int id, const std::wstring& text)
{
    const HWND control = ChildById(dialog, id);
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, kReadTimeoutMs, &result) &&
           result != 0;
}

bool PressKey(HWND window, UINT vk)
{
    HWND target = FocusedWindow(window);
    if (!target)
        target = window;
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    const LPARAM down = static_cast<LPARAM>(1u | (scan << 16));
    const LPARAM up = static_cast<LPARAM>(1u | (scan << 16) | 0xC0000000u);
    return PostMessageW(target, WM_KEYDOWN, vk, down) && PostMessageW(target, WM_KEYUP, vk, up);
}

bool PostSysCommand(HWND window, WPARAM command, LPARAM param)
{
    return PostMessageW(window, WM_SYSCOMMAND, command, param) != FALSE;
}

bool TypeChar(HWND window, wchar_t c)
{
    HWND target = FocusedWindow(window);
    if (!target)
        target = window;
    return PostMessageW(target, WM_CHAR, static_cast<WPARAM>(c), 1) != FALSE;
}

HWND WaitForPopupMenu(DWORD processId, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (const HWND window : TopLevelWindows(processId)) {
                if (IsWindowVisible(window) && ClassName(window) == L"#32768") {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool PostClose(HWND window)
{
    return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
}

bool AnswerMessageBox(HWND box, int buttonId)
{
    return ClickButton(box, buttonId);
}

// ---- Menus ------------------------------------------------------------------

std::optional<std::vector<MenuItem>> ReadMenu(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    if (count < 0)
        return std::nullopt;
    std::vector<MenuItem> items;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            return std::nullopt;
        MenuItem item;
        item.id = info.wID;
        item.separator = (info.fType & MFT_SEPARATOR) != 0;
        if (!item.separator && info.cch > 0) {
            std::vector<wchar_t> text(info.cch + 1);
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
            if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
                return std::nullopt;
            item.text.assign(text.data(), info.cch);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<std::vector<MenuItem>> SystemMenuItems(HWND window)
{
    const HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return std::nullopt;
    return ReadMenu(menu);
}

// ---- Files ------------------------------------------------------------------

namespace {

// Pixels of `area` of the screen, 24 bits, rows bottom-up and padded to four
// bytes as a BMP file stores them.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<BYTE> bits;
};

std::optional<Capture> CaptureScreen(const RECT& area)
{
    const ScreenDc screen;
    Capture capture;
    capture.width = area.right - area.left;
    capture.height = area.bottom - area.top;
    if (!screen.Get() || capture.width <= 0 || capture.height <= 0)
        return std::nullopt;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const GdiObject bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDc memory(screen.Get());
    if (!bitmap.Get() || !bits || !memory.Get())
        return std::nullopt;
    {
        const Selection selected(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, capture.width, capture.height, screen.Get(), area.left, area.top, SRCCOPY))
            return std::nullopt;
    }
    GdiFlush();
    const std::size_t stride = (static_cast<std::size_t>(capture.width) * 3 + 3) & ~static_cast<std::size_t>(3);
    const auto* first = static_cast<const BYTE*>(bits);
    capture.bits.assign(first, first + stride * static_cast<std::size_t>(capture.height));
    return capture;
}

} // namespace

bool WaitForPainted(HWND window, DWORD timeoutMs)
{
    if (!IsWindow(window))
        return false;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored);
    std::optional<Capture> last;
    bool gone = false;
    const bool settled = WaitUntil(
        [&] {
            RECT area = {};
            if (!IsWindowVisible(window) || !GetWindowRect(window, &area)) {
                gone = true;
                return true;
            }
            std::optional<Capture> now = CaptureScreen(area);
            const bool same = now && last && now->width == last->width && now->height == last->height &&
                              now->bits == last->bits;
            last = std::move(now);
            return same;
        },
        timeoutMs);
    return settled && !gone;
}

bool SaveScreenshot(const std::wstring& path)
{
    const ScreenDc screen;
    if (!screen.Get())
        return false;
    const RECT whole = {0, 0, GetDeviceCaps(screen.Get(), HORZRES), GetDeviceCaps(screen.Get(), VERTRES)};
    const std::optional<Capture> capture = CaptureScreen(whole);
    if (!capture)
        return false;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = capture->width;
    header.biHeight = capture->height; // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(capture->bits.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + capture->bits.size());

    const UniqueHandle out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return out && WriteAll(out.Get(), &file, sizeof(file)) && WriteAll(out.Get(), &header, sizeof(header)) &&
           WriteAll(out.Get(), capture->bits.data(), capture->bits.size());
}

std::wstring ExeFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            std::wstring full(path.data(), length);
            return full.substr(0, full.find_last_of(L"\\/") + 1);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace gui
