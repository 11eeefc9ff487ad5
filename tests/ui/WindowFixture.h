#pragma once

// A real window on a pseudo-terminal: the test types the pty's path into the port field,
// presses "open", and plays the module on the other end. Message boxes are captured.

#include "tests/EventWait.h"
#include "tests/serial/PtyPair.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

struct CapturedMessage {
    MessageKind kind;
    QString text;
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageSink([this](MessageKind kind, const QString& text) {
            messages.push_back({kind, text});
        });
        form = std::make_unique<TForm1>();
        form->show();
    }
    void TearDown() override {
        form.reset();
        SetMessageSink(nullptr);
    }

    void OpenPort() {
        form->SPREALCOM->ShowText(QString::fromStdString(pty.path));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen)
            << (messages.empty() ? "" : messages.back().text.toStdString());
    }
    // Processes events until `done` holds or `ms` pass.
    static bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
        return WaitForEvents(done, ms);
    }
    static void Pump(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QTest::qWait(5);
    }
    // What the tool wrote to the line.
    std::string Sent(std::size_t count, int ms = 2000) {
        const auto bytes = pty.Read(count, std::chrono::milliseconds(ms));
        return {bytes.begin(), bytes.end()};
    }
    std::string SentAll(int ms = 300) { return Sent(4096, ms); }
    void Reply(const std::string& bytes) {
        ASSERT_TRUE(pty.Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
    }
    QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }

    PtyPair pty;
    std::unique_ptr<TForm1> form;
    std::vector<CapturedMessage> messages;
};

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}
