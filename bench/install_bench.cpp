// Times one real installation without a person: CPackageInstaller runs on a
// worker thread exactly as under the progress page, reporting to a real
// progress bar and status text that belong to a hidden window on this, the
// interface thread, so every report is a synchronous cross-thread message.
//
//   install_bench.exe TARGET_DIR [--no-reports]
//
// data.dat is read from the program's own folder. --no-reports drops every
// report instead of sending it, which leaves the installation's own file
// work: the difference is what the messages cost. Prints one line of
// key=value pairs; exits 0 only for a complete installation whose bar
// reached its end (or, without reports, a complete installation).

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/install_dir.h"
#include "install/install_host.h"
#include "install/installer.h"
#include "platform/thread.h"
#include "platform/wnd.h"

namespace {

constexpr UINT kWorkerDone = WM_APP + 1;
constexpr char kWindowClass[] = "OmbrelInstallBench";

// A top-level window of ours, destroyed with its children on every path.
class CWindowOwner {
public:
    explicit CWindowOwner(HWND window) : m_window(window) {}
    ~CWindowOwner()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    CWindowOwner(const CWindowOwner&) = delete;
    CWindowOwner& operator=(const CWindowOwner&) = delete;

    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

// Reports as CProgressDlg does; counts what it was told. Only the worker
// calls it while the installation runs.
class CBenchHost final : public IInstallHost {
public:
    CBenchHost(HWND progress, HWND status, bool sendReports) : m_sendReports(sendReports)
    {
        m_progress.m_hWnd = progress;
        m_status.m_hWnd = status;
    }

    void SetProgressRange(std::int32_t upper) override
    {
        if (m_sendReports)
            m_progress.SendMessage(PBM_SETRANGE32, 0, upper);
    }
    void SetProgressPos(std::int32_t position) override
    {
        if (m_sendReports)
            m_progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position), 0);
        ++positionMessages;
    }
    void SetStatusText(const std::string& ansiText) override
    {
        if (m_sendReports)
            m_status.SetWindowTextAnsi(ansiText);
        ++statusMessages;
    }
    // Nobody is there to dismiss a box: the message is kept and printed.
    void ShowMessage(const char* utf8Text) override { messages.emplace_back(utf8Text); }

    std::uint64_t positionMessages = 0;
    std::uint64_t statusMessages = 0;
    std::vector<std::string> messages;

private:
    bool m_sendReports;
    CProgressCtrl m_progress;
    CStatic m_status;
};

struct WorkerRun {
    CPackageInstaller* installer = nullptr;
    HWND window = nullptr;
    int result = -1;
    double seconds = 0;
    std::atomic<bool> done{false};
};

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

UINT WorkerProc(LPVOID param)
{
    auto* run = static_cast<WorkerRun*>(param);
    const double start = Now();
    run->result = run->installer->InstallFiles();
    run->seconds = Now() - start;
    const HWND window = run->window;
    run->done.store(true, std::memory_order_release);
    PostMessageA(window, kWorkerDone, 0, 0);
    return 0;
}

LRESULT CALLBACK BenchWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kWorkerDone) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateChild(HWND parent, const char* className, DWORD style, int y)
{
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 10, y, 400, 20, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    const bool sendReports = !(argc == 3 && std::string(argv[2]) == "--no-reports");
    if (argc != 2 && sendReports) {
        std::fprintf(stderr, "usage: install_bench TARGET_DIR [--no-reports]\n");
        return 2;
    }
    g_strInstallDir = argv[1];
    if (g_strInstallDir.empty() || g_strInstallDir.back() != '\\')
        g_strInstallDir += '\\';

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BenchWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) {
        std::fprintf(stderr, "install_bench: cannot register the window class\n");
        return 1;
    }
    // Never shown: the controls are real and handle every message, but the
    // benchmark does not depend on a display.
    const CWindowOwner frame(CreateWindowExA(0, kWindowClass, "install_bench", WS_OVERLAPPEDWINDOW, 0, 0, 440, 100,
                                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    const HWND status = frame.Get() ? CreateChild(frame.Get(), "STATIC", SS_LEFTNOWORDWRAP, 10) : nullptr;
    const HWND progress = frame.Get() ? CreateChild(frame.Get(), PROGRESS_CLASSA, 0, 40) : nullptr;
    if (!status || !progress) {
        std::fprintf(stderr, "install_bench: cannot create the windows\n");
        return 1;
    }

    CBenchHost host(progress, status, sendReports);
    CPackageInstaller installer(host);
    WorkerRun run;
    run.installer = &installer;
    run.window = frame.Get();
    if (!AfxBeginThread(WorkerProc, &run)) {
        std::fprintf(stderr, "install_bench: cannot start the worker thread\n");
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (!run.done.load(std::memory_order_acquire)) {
        std::fprintf(stderr, "install_bench: message loop ended before the installation\n");
        return 1;
    }

    const auto position = static_cast<std::int32_t>(SendMessageA(progress, PBM_GETPOS, 0, 0));
    const auto range = static_cast<std::int32_t>(SendMessageA(progress, PBM_GETRANGE, FALSE, 0));
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

    std::printf("result=%d seconds=%.6f reports=%s position_messages=%llu status_messages=%llu position=%ld range=%ld "
                "peak_working_set_mib=%.1f peak_pagefile_mib=%.1f\n",
                run.result, run.seconds, sendReports ? "sent" : "dropped", static_cast<unsigned long long>(host.positionMessages),
                static_cast<unsigned long long>(host.statusMessages), static_cast<long>(position),
                static_cast<long>(range), MiB(memory.PeakWorkingSetSize), MiB(memory.PeakPagefileUsage));
    for (const std::string& text : host.messages)
        std::fprintf(stderr, "install_bench: message box: %s\n", text.c_str());
    return run.result == INSTALL_OK && (position == range || !sendReports) ? 0 : 1;
}
