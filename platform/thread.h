#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID);

// Runs proc(param) on a new thread straight away. The thread is not kept
// track of: its handle is closed at once and the thread ends when proc
// returns. Returns FALSE when no thread could be started.
BOOL AfxBeginThread(AFX_THREADPROC proc, LPVOID param);
