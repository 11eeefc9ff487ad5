// Message boxes through the real modal path (no sink): a box runs its own event loop, in
// which timers and serial events raise further messages; they wait and follow one by one.

#include "tests/ui/WindowFixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Plays the user in front of the boxes: notes each box as it opens, how many are open at
// once, and presses its OK after the box has been up for `holdMs` (the first box may be held
// longer so that something happens meanwhile).
class BoxUser {
public:
    explicit BoxUser(int firstHoldMs, int holdMs = 60) : firstHold(firstHoldMs), hold(holdMs) {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] { Look(); });
        poll.start();
    }
    QStringList shown;
    int mostOpen = 0;

private:
    void Look() {
        QList<QMessageBox*> open;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                open << box;
        }
        mostOpen = std::max(mostOpen, static_cast<int>(open.size()));
        if (open.isEmpty())
            return;
        QMessageBox* box = open.front();
        if (box != current) {
            current = box;
            shown << box->text();
            clock.start();
        }
        if (clock.elapsed() >= (shown.size() == 1 ? firstHold : hold)) {
            box->button(QMessageBox::Ok)->click();
            current = nullptr; // the next box may reuse its address
        }
    }
    QTimer poll;
    QMessageBox* current = nullptr;
    QElapsedTimer clock;
    int firstHold;
    int hold;
};

TEST(MessageBoxes, RaisedWhileOneIsOpenTheyFollowOnceEachInOrder) {
    SetMessageSink(nullptr);
    BoxUser user(300);
    // Raised from a timer while the first box's loop runs: a repeat of a waiting message
    // is dropped, a repeat of the open one is not (it is new once that box is closed).
    QTimer::singleShot(100, [] {
        ShowMessage(nullptr, "second");
        ShowErrorReport(nullptr, "third");
        ShowMessage(nullptr, "second");
        ShowMessage(nullptr, "first");
        ShowErrorReport(nullptr, "third");
    });
    ShowMessage(nullptr, "first");
    // Every waiting box has been shown by the time the first call returns.
    EXPECT_EQ(user.shown.join('|').toStdString(), "first|second|third.|first");
    EXPECT_EQ(user.mostOpen, 1);
    ShowMessage(nullptr, "later");
    EXPECT_EQ(user.shown.join('|').toStdString(), "first|second|third.|first|later");
}

// A lost line with a query pending: the hang-up's box is still open when the query times
// out; the time-out's box opens after it, not inside it.
TEST(MessageBoxes, LostLineThenTimeoutOpenOneAfterTheOther) {
    PtyPair line;
    SetMessageSink(nullptr);
    TForm1 form;
    form.show();
    form.SPREALCOM->ShowText(QString::fromStdString(line.path));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    ASSERT_TRUE(form.link.PortIsOpen);
    QTest::mouseClick(form.systemPage->Button23, Qt::LeftButton);
    ASSERT_TRUE(form.link.Timer3->Enabled());
    BoxUser user(3400);
    line.CloseMaster();
    QElapsedTimer clock;
    clock.start();
    while (user.shown.size() < 2 && clock.elapsed() < 6000)
        QTest::qWait(20);
    QTest::qWait(200);
    ASSERT_EQ(user.shown.size(), 2) << user.shown.join('|').toStdString();
    EXPECT_TRUE(user.shown[0].contains("serial port was lost"));
    EXPECT_EQ(user.shown[1].toStdString(), "parameter query timeout!");
    EXPECT_EQ(user.mostOpen, 1);
}

} // namespace
