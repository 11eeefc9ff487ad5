// The Win32 backend on a real line: COM ports that lead to pseudo-terminals (see
// run-under-wine.sh). TALMIRE_TEST_COM names a port whose module answers at once,
// TALMIRE_TEST_COM_GAP one whose module pauses 250 ms inside every reply,
// TALMIRE_TEST_COM_HIGH a number above 9 for the first, TALMIRE_TEST_COM_FLOOD a peer that
// floods the line on 'G', TALMIRE_TEST_COM_STALL a peer that reads nothing until
// TALMIRE_TEST_STALL_DIR\go exists and then reports what it got in TALMIRE_TEST_STALL_DIR\count.

#include "serial/TComm.h"
#include "serial/win32/Win32PortPath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// A message a test posts to its own thread while an event runs; the loop counts it.
constexpr UINT MarkerMessage = WM_APP + 50;
int markersHandled = 0;

// Runs the thread's message loop (which delivers the component's events) until `done`.
bool Pump(const std::function<bool()>& done, int ms = 5000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        // One message at a time, so that a line that floods the loop cannot keep the
        // condition and the time-out from being checked.
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == nullptr && msg.message == MarkerMessage)
                ++markersHandled;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void Quiet(int ms) {
    Pump([] { return false; }, ms);
}

class Win32Line : public ::testing::Test {
protected:
    void Open(const std::string& name) {
        if (name.empty())
            GTEST_SKIP() << "no COM port mapped to the simulator";
        comm.SetCommName(name);
        comm.SetBaudRate(9600);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.SetDtrControl(TDtrControl::DtrDisable);
        comm.SetRtsControl(TRtsControl::RtsDisable);
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            chunks.emplace_back(reinterpret_cast<const char*>(b), n);
        };
        comm.OnSendDataEmpty = [this](TComm*) { ++sendEmpty; };
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
        comm.OpenPort();
    }
    bool Write(const std::string& bytes) {
        return comm.WriteData(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }
    std::string Joined() const {
        std::string all;
        for (const auto& c : chunks)
            all += c;
        return all;
    }

    TComm comm;
    std::vector<std::string> chunks;
    int sendEmpty = 0;
    int hangups = 0;
};

TEST(Win32Open, FailedOpensReleaseWhatTheyOpened) {
    char folder[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "tlm", 0, file), 0u);
    struct Case {
        std::string name;
        const char* error;
    } cases[] = {
        {"COM77", "Error opening serial port"},
        {file, "File handle is not a comm handle "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TComm comm;
        comm.SetCommName(c.name);
        try {
            comm.OpenPort();
            FAIL() << "opened";
        } catch (const ECommsError& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
        EXPECT_FALSE(comm.IsOpen());
        const std::uint8_t byte = 1;
        EXPECT_FALSE(comm.WriteData(&byte, 1));
    }
    // The file was opened without sharing: only a released handle lets it open again.
    HANDLE again = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    DeleteFileA(file);
}

TEST(Win32PortPath, ComNumbersGoThroughTheDeviceNamespace) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "\\\\.\\COM1"},
        {"COM10", "\\\\.\\COM10"},
        {"com256", "\\\\.\\com256"},
        {"COM", "COM"},
        {"COM1x", "COM1x"},
        {"COMX", "COMX"},
        {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"LPT1", "LPT1"},
        {"C:\\port", "C:\\port"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win32PortPath(c.name), c.path) << c.name;
}

TEST_F(Win32Line, QueryAndReplyAsOneChunk) {
    Open(Env("TALMIRE_TEST_COM"));
    ASSERT_TRUE(Write("QQQ#QV#"));
    ASSERT_TRUE(Pump([&] { return Joined() == "QV:10"; })) << Joined();
    Quiet(300);
    EXPECT_EQ(chunks.size(), 1u);
    EXPECT_EQ(hangups, 0);
}

TEST_F(Win32Line, AlreadyOpenLeavesThePortWorking) {
    Open(Env("TALMIRE_TEST_COM"));
    try {
        comm.OpenPort();
        FAIL() << "opened twice";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "This serial port already opened");
    }
    ASSERT_TRUE(Write("QQQ#QV#"));
    EXPECT_TRUE(Pump([&] { return Joined() == "QV:10"; })) << Joined();
}

TEST_F(Win32Line, WritesInOrderThenOneSendEmpty) {
    Open(Env("TALMIRE_TEST_COM"));
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1; })); // the writer's first idle moment
    ASSERT_TRUE(Write("QQQ#Q"));
    ASSERT_TRUE(Write("X#"));
    ASSERT_TRUE(Pump([&] { return Joined().find("JTM:") != std::string::npos; })) << Joined();
    EXPECT_EQ(Joined().substr(0, 3), "QX ");
    Quiet(200);
    EXPECT_EQ(sendEmpty, 2);
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(Win32Line, HartIdentityThroughTheModule) {
    Open(Env("TALMIRE_TEST_COM"));
    const std::string query("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x02\x80\x00\x00\x82", 12);
    ASSERT_TRUE(Write(query));
    ASSERT_TRUE(Pump([&] { return Joined().size() >= 24; })) << Joined().size();
    const std::string reply = Joined();
    EXPECT_EQ(static_cast<unsigned char>(reply[5]), 0x06);
    EXPECT_EQ(static_cast<unsigned char>(reply[12]), 0x26);
}

TEST_F(Win32Line, PauseInsideAReplySplitsIt) {
    Open(Env("TALMIRE_TEST_COM_GAP"));
    ASSERT_TRUE(Write("QQQ#QX#"));
    ASSERT_TRUE(Pump([&] { return Joined().find("JTM:") != std::string::npos; })) << Joined();
    EXPECT_EQ(chunks.size(), 2u);
}

TEST_F(Win32Line, CloseWhileWritingEndsCleanly) {
    Open(Env("TALMIRE_TEST_COM"));
    const std::string big(60000, 'Z');
    ASSERT_TRUE(Write(big));
    const auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendDataEmpty());
    EXPECT_FALSE(Write("x"));
}

TEST_F(Win32Line, PortAboveNineOpensAndExchanges) {
    Open(Env("TALMIRE_TEST_COM_HIGH"));
    // The simulator behind this port may still be swallowing the bytes an earlier test
    // flooded it with; a query that drowned in them is asked again.
    bool answered = false;
    for (int attempt = 0; attempt < 4 && !answered; ++attempt) {
        chunks.clear();
        ASSERT_TRUE(Write("QQQ#QV#"));
        answered = Pump([&] { return Joined() == "QV:10"; }, 2500);
    }
    EXPECT_TRUE(answered) << Joined();
}

// The window's owner: two queued chunks at most, one event per turn of the message loop,
// 300 ms per chunk. A peer that never pauses for 10 s must neither grow the backlog past
// the bound nor lose the newest chunk.
TEST_F(Win32Line, FloodWithASlowOwnerKeepsTheBoundAndTheLastChunk) {
    Open(Env("TALMIRE_TEST_COM_FLOOD"));
    constexpr std::size_t Bound = 2;
    comm.SetMaxQueuedChunks(Bound);
    std::size_t mostQueued = 0;
    // Each event posts a marker; one event per turn of the loop means every marker is
    // handled before the next event is raised.
    int markersPosted = 0;
    int overtaken = 0;
    markersHandled = 0;
    comm.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
        chunks.emplace_back(reinterpret_cast<const char*>(b), n);
        mostQueued = std::max(mostQueued, comm.QueuedNotifications());
        if (markersHandled < markersPosted)
            ++overtaken;
        markersPosted += PostThreadMessageA(GetCurrentThreadId(), MarkerMessage, 0, 0) ? 1 : 0;
        Sleep(300);
    };
    ASSERT_TRUE(Write("G"));
    const bool ended = Pump(
        [&] { return !chunks.empty() && chunks.back().find('E') != std::string::npos; }, 20000);
    ASSERT_TRUE(ended) << chunks.size() << " chunks";
    EXPECT_EQ(chunks.back().back(), 'E');
    // Waiting besides the chunks: at most the send-empty of the 'G'.
    EXPECT_LE(mostQueued, Bound + 1);
    EXPECT_GT(comm.DroppedChunks(), 0u) << "the flood never outran the owner";
    EXPECT_EQ(overtaken, 0) << "events ran back to back ahead of other messages";
    EXPECT_EQ(hangups, 0);
}

TEST_F(Win32Line, SendEmptyHoldsOnceEachWriteIsDone) {
    Open(Env("TALMIRE_TEST_COM_FLOOD")); // a peer that drops whatever is not 'G'
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1; }));
    int stuck = 0;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(Write("x"));
        ASSERT_TRUE(Pump([&] { return sendEmpty == i + 2; })) << "write " << i;
        if (!comm.SendDataEmpty())
            ++stuck;
    }
    EXPECT_EQ(stuck, 0) << "the writer was idle and the flag said otherwise";
}

// The peer reads nothing, so once the terminal's buffer is full the writer's WriteFile
// stays pending; closing then must cancel it before the block is released, and purge.
TEST_F(Win32Line, CloseWithAWritePendingReleasesNothingInUseAndPurges) {
    ASSERT_TRUE(
        HeapSetInformation(GetProcessHeap(), HeapEnableTerminationOnCorruption, nullptr, 0));
    const std::string folder = Env("TALMIRE_TEST_STALL_DIR");
    Open(Env("TALMIRE_TEST_COM_STALL"));
    const std::string block(60000, 'Z');
    constexpr int Blocks = 4;
    for (int i = 0; i < Blocks; ++i)
        ASSERT_TRUE(Write(block));
    Quiet(500);
    ASSERT_FALSE(comm.SendDataEmpty()) << "no write was pending";
    const auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(comm.SendDataEmpty());
    // Memory the cancelled write used is now reused, then the heap is checked.
    std::vector<std::string> reuse(Blocks, std::string(60000, '#'));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));

    std::ofstream(folder + "\\go").put('1');
    std::ifstream counted;
    ASSERT_TRUE(Pump(
        [&] {
            counted.open(folder + "\\count");
            return counted.is_open();
        },
        10000));
    std::size_t count = 0;
    int allZ = 0;
    counted >> count >> allZ;
    EXPECT_LT(count, block.size() * Blocks) << "the pending bytes were not purged";
    EXPECT_EQ(allZ, 1) << "bytes other than the written ones reached the line";
}

// When the owner's message queue refuses the wake-up (here: its window is gone), the port
// reports a hang-up instead of going quiet, its threads stop, and closing still returns.
TEST_F(Win32Line, RefusedWakeUpReportsAHangup) {
    Open(Env("TALMIRE_TEST_COM"));
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1; }));
    HWND window = FindWindowExA(HWND_MESSAGE, nullptr, "TALMIRE.TCommNotify", nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(DestroyWindow(window));
    ASSERT_TRUE(Write("QQQ#QV#")); // the writer's send-empty finds the queue empty
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (hangups == 0 && Clock::now() < end) {
        Sleep(20);
        comm.DispatchNotifications();
    }
    EXPECT_EQ(hangups, 1);
    EXPECT_FALSE(Write("x")) << "a port that reported its hang-up still took writes";
    const auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

} // namespace
