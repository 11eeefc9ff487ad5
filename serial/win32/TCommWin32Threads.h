#pragma once

// The reader and writer threads of the Win32 backend, one pair per open port. The reader
// keeps one overlapped read and one line-event wait outstanding; the writer takes blocks
// from its message queue. Both end on the port's close event and put what they find in the
// component's queue.

#include <windows.h>

#include <atomic>
#include <mutex>

class TComm;

// Hands a block of bytes to the writer thread: wParam is the count, lParam the block.
inline constexpr UINT WriteBlockMessage = WM_APP + 1;

// What both threads share with the backend for one open port.
struct ThreadContext {
    TComm* owner;
    HANDLE commHandle;
    HANDLE closeEvent;
    const std::atomic<bool>* wakeLost; // the owner can no longer be woken: stop
};

struct WriteThreadContext : ThreadContext {
    std::mutex* writeMutex; // orders the send-empty flag against WriteData
    HANDLE queueReady;      // set once the thread has a message queue
};

// Thread entry points; each takes ownership of the context it is handed (a ThreadContext
// for the reader, a WriteThreadContext for the writer) and deletes it.
DWORD WINAPI ReadThreadProc(LPVOID parameter);
DWORD WINAPI WriteThreadProc(LPVOID parameter);
