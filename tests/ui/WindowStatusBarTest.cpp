// The window's status bar through a session on a pseudo-terminal: the port and its line,
// the last answer's round trip and age, and the tool that holds the port while it does.

#include "tests/ui/WindowFixture.h"

#include <QRegularExpression>
#include <QStatusBar>

namespace {

using WindowStatusBar = WindowFixture;

TEST_F(WindowStatusBar, SaysThePortItsLineTheLastAnswerAndTheLoan) {
    EXPECT_EQ(form->StatusPort->text(), "port closed");
    EXPECT_EQ(form->StatusAnswerAge->text(), "no answer yet");
    EXPECT_FALSE(form->StatusLoan->isVisible());

    // The port row's line, as a terminal program names it.
    struct Line {
        const char* baud;
        int parity;
        const char* shown;
    };
    for (const Line& l : {Line{"9600", 0, " 9600 8N1"}, Line{"19200", 2, " 19200 8E1"},
                          Line{"1200", 1, " 1200 8O1"}}) {
        form->ComboBox11->SetItemIndex(form->ComboBox11->findText(l.baud));
        form->ComboBox10->SetItemIndex(l.parity);
        if (form->link.PortIsOpen)
            QTest::mouseClick(form->Button1, Qt::LeftButton);
        OpenPort();
        EXPECT_EQ(form->StatusPort->text().toStdString(), pty.path + l.shown);
    }

    // An answer: its round trip, and its age counted on each second.
    QTest::mouseClick(form->Button6, Qt::LeftButton);
    EXPECT_EQ(Sent(7), "QQQ#QV#");
    Pump(120);
    Reply("QV:11");
    ASSERT_TRUE(WaitFor([&] { return form->StatusRoundTrip->text().startsWith("round trip"); }));
    const QRegularExpression roundTrip("^round trip (\\d+) ms$");
    const QRegularExpressionMatch match = roundTrip.match(form->StatusRoundTrip->text());
    ASSERT_TRUE(match.hasMatch()) << form->StatusRoundTrip->text().toStdString();
    EXPECT_GE(match.captured(1).toInt(), 100);
    EXPECT_LT(match.captured(1).toInt(), 2000);
    EXPECT_EQ(form->StatusAnswerAge->text(), "last answer 0 s ago");
    ASSERT_TRUE(
        WaitFor([&] { return form->StatusAnswerAge->text() == "last answer 2 s ago"; }, 4000))
        << form->StatusAnswerAge->text().toStdString();

    // While a tool holds the port it is named; the port row's line comes back with the port.
    const std::optional<LineSettings> line = form->PortRowLine();
    ASSERT_TRUE(line.has_value());
    ASSERT_TRUE(form->LendPort("the monitor", *line));
    EXPECT_TRUE(form->StatusLoan->isVisible());
    EXPECT_EQ(form->StatusLoan->text(), "port in use by the monitor");
    EXPECT_EQ(form->StatusPort->text(), "port closed");
    EXPECT_TRUE(form->ReturnPort(*line));
    EXPECT_FALSE(form->StatusLoan->isVisible());
    EXPECT_EQ(form->StatusPort->text().toStdString(), pty.path + " 1200 8O1");
}

} // namespace
