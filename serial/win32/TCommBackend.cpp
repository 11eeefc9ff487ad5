// Win32 backend: the port opened for overlapped I/O, a reader thread keeping one read and
// one line-event wait outstanding, a writer thread fed through its message queue, and a
// hidden window on the owner's thread. The threads put their notifications in the
// component's queue (bounded for received chunks, as on every platform) and wake the
// hidden window only when that queue was empty; the window then raises one event per turn
// of the owner's message loop.

#include "serial/TCommBackend.h"

#include "serial/TComm.h"
#include "serial/win32/TCommWin32Threads.h"
#include "serial/win32/Win32PortPath.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr DWORD OpenWaitMs = 10000;
constexpr DWORD WakeRetryMs = 50;
const char* const WindowClass = "TALMIRE.TCommNotify";
// Tells the hidden window that notifications wait in the component's queue.
constexpr UINT WakeMessage = WM_APP + 2;
constexpr UINT_PTR DispatchTimer = 1;

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<TComm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (owner == nullptr || (message != WakeMessage && message != WM_TIMER))
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_TIMER)
        KillTimer(window, DispatchTimer);
    // One event per turn: when more wait, the component signals again and the next turn
    // comes after the input and painting that arrived meanwhile.
    owner->DispatchNotifications(1);
    return 0;
}

} // namespace

struct TCommBackend::State {
    HANDLE commHandle = nullptr;
    HANDLE closeEvent = nullptr;
    HWND notifyWindow = nullptr;
    DWORD windowThreadId = 0;
    HANDLE readThread = nullptr;
    HANDLE writeThread = nullptr;
    DWORD writeThreadId = 0;
    std::mutex writeMutex;
    std::atomic<bool> wakePending{false}; // a wake-up message or timer is on its way
    std::atomic<bool> wakeLost{false};
};

TCommBackend::TCommBackend(TComm& owner_) : owner(owner_), state(std::make_unique<State>()) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = NotifyWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass); // fails harmlessly when already registered
    state->notifyWindow = CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
    state->windowThreadId = GetCurrentThreadId();
    if (state->notifyWindow != nullptr)
        SetWindowLongPtrA(state->notifyWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
}

TCommBackend::~TCommBackend() {
    Close();
    if (state->notifyWindow != nullptr)
        DestroyWindow(state->notifyWindow);
}

bool TCommBackend::IsOpen() const {
    return state->commHandle != nullptr;
}

int TCommBackend::NotificationDescriptor() const {
    return -1;
}

// The reader always waits for carrier and ring events along with line errors, whether or
// not a handler is assigned: nothing to start or end here.
void TCommBackend::WatchModemLines(bool) {}

// The driver reports line errors through ClearCommError on every open port.
bool TCommBackend::LineErrorCountersAvailable() const {
    return IsOpen();
}

static_assert(CommErrorRxOver == CE_RXOVER && CommErrorOverrun == CE_OVERRUN &&
              CommErrorParity == CE_RXPARITY && CommErrorFrame == CE_FRAME &&
              CommErrorBreak == CE_BREAK);

void TCommBackend::SignalNotification() {
    // One wake-up in flight at a time, as a readable descriptor is on POSIX: another would
    // raise two events back to back.
    if (state->wakePending.exchange(true))
        return;
    HWND window = state->notifyWindow;
    if (GetCurrentThreadId() == state->windowThreadId) {
        // The owner's own thread, after an event with more waiting. Posted messages come
        // before input and painting, so while either is waiting the next turn is a timer,
        // which comes after them.
        if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0 ||
            !PostMessageA(window, WakeMessage, 0, 0))
            SetTimer(window, DispatchTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    if (PostMessageA(window, WakeMessage, 0, 0))
        return;
    // The owner's message queue refused the wake-up (full, or the window is gone): what
    // waits would never be raised. The port reports a hang-up, its threads stop, and this
    // thread keeps offering the wake-up until the owner takes it or closes the port.
    if (state->wakeLost.exchange(true))
        return;
    owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
    while (!PostMessageA(window, WakeMessage, 0, 0))
        if (WaitForSingleObject(state->closeEvent, WakeRetryMs) != WAIT_TIMEOUT)
            return;
}

void TCommBackend::AcknowledgeNotification() {
    state->wakePending.store(false);
}

namespace {
// Lets a thread end (it may never have run) and waits for it: both threads end on the
// close event, so no thread is ever killed.
void StopThread(HANDLE& thread) {
    if (thread == nullptr)
        return;
    ResumeThread(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
}
} // namespace

void TCommBackend::Open() {
    if (state->notifyWindow == nullptr)
        throw ECommsError("Unable to create window");
    HANDLE handle =
        CreateFileA(Win32PortPath(owner.CommName()).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A COM port held by another program answers "access denied".
        const DWORD error = GetLastError();
        const OpenFailure cause = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                      ? OpenFailure::NoSuchDevice
                                  : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                                      ? OpenFailure::InUse
                                      : OpenFailure::Other;
        throw ECommsError("Error opening serial port", cause,
                          "system error " + std::to_string(error));
    }
    state->commHandle = handle;
    // A wake-up the last port could not deliver is not waited for any more.
    if (state->wakeLost.exchange(false))
        state->wakePending.store(false);
    // From here every failure goes through Close(), which releases whatever was created.
    auto fail = [this](const char* message) {
        Close();
        throw ECommsError(message);
    };
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        Close();
        throw ECommsError("File handle is not a comm handle ", OpenFailure::NotSerial);
    }
    if (!SetupComm(handle, 4096, 4096))
        fail("Cannot setup comm buffer");
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    ApplyCommTimeouts();
    ApplyCommState();
    state->closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE queueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (state->closeEvent == nullptr || queueReady == nullptr) {
        if (queueReady != nullptr)
            CloseHandle(queueReady);
        fail("Unable to create event");
    }
    const ThreadContext context{&owner, handle, state->closeEvent, &state->wakeLost};
    auto* readContext = new ThreadContext(context);
    state->readThread =
        CreateThread(nullptr, 0, ReadThreadProc, readContext, CREATE_SUSPENDED, nullptr);
    if (state->readThread == nullptr) {
        delete readContext;
        CloseHandle(queueReady);
        fail("Unable to create read thread");
    }
    SetThreadPriority(state->readThread, THREAD_PRIORITY_HIGHEST);
    auto* writeContext = new WriteThreadContext{context, &state->writeMutex, queueReady};
    state->writeThread = CreateThread(nullptr, 0, WriteThreadProc, writeContext, CREATE_SUSPENDED,
                                      &state->writeThreadId);
    if (state->writeThread == nullptr) {
        delete writeContext;
        CloseHandle(queueReady);
        fail("Unable to create write thread");
    }
    SetThreadPriority(state->writeThread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(state->readThread);
    ResumeThread(state->writeThread);
    // The first WriteData may follow at once: wait until the writer can take messages.
    WaitForSingleObject(queueReady, OpenWaitMs);
    CloseHandle(queueReady);
}

void TCommBackend::Close() {
    if (state->commHandle == nullptr)
        return;
    if (state->closeEvent != nullptr)
        SetEvent(state->closeEvent);
    StopThread(state->readThread);
    StopThread(state->writeThread);
    PurgeComm(state->commHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    owner.StoreSendDataEmpty(true);
    if (state->closeEvent != nullptr)
        CloseHandle(state->closeEvent);
    CloseHandle(state->commHandle);
    state->closeEvent = nullptr;
    state->commHandle = nullptr;
    state->writeThreadId = 0;
}

bool TCommBackend::Write(const void* buffer, std::uint16_t length) {
    if (state->writeThread == nullptr || state->wakeLost.load())
        return false;
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, length + 1u);
    if (block == nullptr)
        return false;
    std::memcpy(block, buffer, length);
    // "Not empty" is stored before the block is handed over, under the lock the writer
    // holds while it checks for work and stores "empty".
    std::lock_guard lock(state->writeMutex);
    const bool wasEmpty = owner.SendDataEmpty();
    owner.StoreSendDataEmpty(false);
    if (!PostThreadMessageA(state->writeThreadId, WriteBlockMessage, length,
                            reinterpret_cast<LPARAM>(block))) {
        owner.StoreSendDataEmpty(wasEmpty);
        LocalFree(block); // the hand-over failed: nobody else will release it
        return false;
    }
    return true;
}

void TCommBackend::ApplyCommTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = owner.ReadIntervalTimeout();
    timeouts.ReadTotalTimeoutMultiplier = owner.ReadTotalTimeoutMultiplier();
    timeouts.ReadTotalTimeoutConstant = owner.ReadTotalTimeoutConstant();
    timeouts.WriteTotalTimeoutMultiplier = owner.WriteTotalTimeoutMultiplier();
    timeouts.WriteTotalTimeoutConstant = owner.WriteTotalTimeoutConstant();
    SetCommTimeouts(state->commHandle, &timeouts);
}

void TCommBackend::ApplyCommState() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(state->commHandle, &dcb);
    dcb.BaudRate = owner.BaudRate();
    dcb.fBinary = 1;
    dcb.fParity = owner.ParityCheck() ? 1 : 0;
    dcb.fOutxCtsFlow = owner.Outx_CtsFlow() ? 1 : 0;
    dcb.fOutxDsrFlow = owner.Outx_DsrFlow() ? 1 : 0;
    static constexpr DWORD dtr[] = {DTR_CONTROL_ENABLE, DTR_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE};
    dcb.fDtrControl = dtr[static_cast<int>(owner.DtrControl())];
    dcb.fDsrSensitivity = owner.DsrSensitivity() ? 1 : 0;
    dcb.fTXContinueOnXoff = owner.TxContinueOnXoff() ? 1 : 0;
    dcb.fOutX = owner.Outx_XonXoffFlow() ? 1 : 0;
    dcb.fInX = owner.Inx_XonXoffFlow() ? 1 : 0;
    dcb.fErrorChar = owner.ReplaceWhenParityError() ? 1 : 0;
    dcb.fNull = owner.IgnoreNullChar() ? 1 : 0;
    static constexpr DWORD rts[] = {RTS_CONTROL_ENABLE, RTS_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE,
                                    RTS_CONTROL_TOGGLE};
    dcb.fRtsControl = rts[static_cast<int>(owner.RtsControl())];
    dcb.fAbortOnError = 0;
    dcb.XonLim = owner.XonLimit();
    dcb.XoffLim = owner.XoffLimit();
    dcb.ByteSize = static_cast<BYTE>(static_cast<int>(owner.ByteSize()) + 5);
    dcb.Parity = static_cast<BYTE>(owner.Parity());
    dcb.StopBits = static_cast<BYTE>(owner.StopBits());
    dcb.XonChar = owner.XonChar();
    dcb.XoffChar = owner.XoffChar();
    dcb.ErrorChar = owner.ReplacedChar();
    SetCommState(state->commHandle, &dcb);
}
