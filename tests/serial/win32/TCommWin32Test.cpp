// The Win32 backend on a real line: a COM port that leads to talmire-sim. TALMIRE_TEST_COM
// names a port whose module answers at once, TALMIRE_TEST_COM_GAP one whose module pauses
// 250 ms inside every reply.

#include "serial/TComm.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Runs the thread's message loop (which delivers the component's events) until `done`.
bool Pump(const std::function<bool()>& done, int ms = 5000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
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

TEST(Win32Open, MissingPortAndNotACommHandle) {
    TComm comm;
    comm.SetCommName("COM77");
    try {
        comm.OpenPort();
        FAIL() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Error opening serial port");
    }
    EXPECT_FALSE(comm.IsOpen());
    const std::uint8_t byte = 1;
    EXPECT_FALSE(comm.WriteData(&byte, 1));
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

} // namespace
