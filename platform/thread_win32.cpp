#include "platform/thread.h"

#include <process.h>

#include <memory>

namespace {

struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* raw)
{
    // The start block was handed over by AfxBeginThread; it is ours now.
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
    return start->proc(start->param);
}

} // namespace

BOOL AfxBeginThread(AFX_THREADPROC proc, LPVOID param)
{
    auto start = std::make_unique<ThreadStart>(ThreadStart{proc, param});
    const uintptr_t thread = _beginthreadex(nullptr, 0, ThreadEntry, start.get(), 0, nullptr);
    if (thread == 0)
        return FALSE;
    start.release(); // the new thread owns it
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return TRUE;
}
