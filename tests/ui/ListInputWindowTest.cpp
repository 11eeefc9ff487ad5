// The window's lists under the user's hands: leaving a list, Return and the wheel never
// change a setting; picking and typing run the list's handler once.

#include "tests/ui/WindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

// The user's ways of leaving a list once the focus is in it.
enum class Leave { ClickElsewhere, Tab, Return, PageSwitch };

class ListInput : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // The page holding `widget`, made current, and the scroll area around it.
    QScrollArea* ShowPageOf(QWidget* widget) {
        for (int page = 0; page < form->PageControl1->count(); ++page) {
            auto* area = qobject_cast<QScrollArea*>(form->PageControl1->widget(page));
            if (area != nullptr && area->widget()->isAncestorOf(widget)) {
                form->PageControl1->setCurrentIndex(page);
                QCoreApplication::processEvents();
                return area;
            }
        }
        return nullptr;
    }
    void LeaveList(TComboBox* list, Leave how) {
        switch (how) {
        case Leave::ClickElsewhere: {
            QLineEdit* other = list->window()->findChild<QLineEdit*>("Edit14");
            ShowPageOf(other);
            QTest::mouseClick(other, Qt::LeftButton);
            break;
        }
        case Leave::Tab:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            break;
        case Leave::Return:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            break;
        case Leave::PageSwitch: {
            QTabBar* tabs = form->PageControl1->tabBar();
            const int other = form->PageControl1->currentIndex() == 0 ? 1 : 0;
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(other).center());
            break;
        }
        }
        QCoreApplication::processEvents();
    }
    void ClickInto(TComboBox* list) {
        ShowPageOf(list);
        // A closed drop-down list may leave the window inactive on this platform.
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::mouseClick(list->lineEdit(), Qt::LeftButton);
        ASSERT_TRUE(list->hasFocus()) << list->objectName().toStdString();
    }
};

// One notch of the wheel down over a list, delivered as the windowing system delivers it
// (spontaneous), so the application propagates it to the parents when the list ignores it.
void WheelDown(TComboBox* list) {
    QWidget* target = list->isEditable() ? static_cast<QWidget*>(list->lineEdit()) : list;
    const QPointF at = QPointF(target->rect().center());
    QWheelEvent wheel(at, QPointF(target->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(target, &wheel);
    QCoreApplication::processEvents();
}

const std::pair<Leave, const char*> LeaveWays[] = {
    {Leave::ClickElsewhere, "click elsewhere"},
    {Leave::Tab, "Tab"},
    {Leave::Return, "Return"},
    {Leave::PageSwitch, "page switch"},
};

// Every list, showing the text of an item with no item selected (as "Instrument Number:"
// does at start), keeps what it shows and reports no change when the user leaves it.
TEST_F(ListInput, LeavingAListReportsNoChangeAndKeepsItsText) {
    const auto lists = form->findChildren<TComboBox*>();
    ASSERT_GT(lists.size(), 40);
    for (TComboBox* list : lists) {
        if (list->count() < 2 || !list->isEnabled())
            continue;
        const std::string name = list->objectName().toStdString();
        for (const auto& [how, way] : LeaveWays) {
            list->ShowText(list->itemText(1));
            QSignalSpy changes(list, &TComboBox::UserChanged);
            ClickInto(list);
            LeaveList(list, how);
            EXPECT_EQ(changes.count(), 0) << name << ", " << way;
            EXPECT_EQ(list->currentText(), list->itemText(1)) << name << ", " << way;
            EXPECT_EQ(list->ListValue(), 1) << name << ", " << way;
        }
    }
    // A text that spells an item only when case is ignored stays as typed, and no item.
    TComboBox* parity = form->ComboBox10;
    for (const auto& [how, way] : LeaveWays) {
        parity->ShowText("odd");
        ClickInto(parity);
        LeaveList(parity, how);
        EXPECT_EQ(parity->currentText(), "odd") << way;
        EXPECT_EQ(parity->ListValue(), -1) << way;
    }
}

// Through the window: the instrument number and the HART address left by each way send
// nothing and reset nothing; a pick and a typed item then run their handler once.
TEST_F(ListInput, LeavingTheHandledListsSendsNothingPickingAndTypingSendOnce) {
    OpenPort();
    for (const auto& [how, way] : LeaveWays) {
        form->systemPage->Edit14->setText("005");
        form->systemPage->Edit6->setText("1000");
        form->systemPage->ComboBox7->SetItemIndex(1);
        form->modbusPage->ComboBox41->ShowText("0");
        form->hartPage->ComboBox30->ShowText("0");
        form->modbusPage->Label19->setText("40001:");
        for (TComboBox* list : {form->modbusPage->ComboBox41, form->hartPage->ComboBox30,
                                form->modbusPage->ComboBox17}) {
            ClickInto(list);
            LeaveList(list, how);
        }
        EXPECT_EQ(SentAll(150), "") << way;
        EXPECT_EQ(form->systemPage->Edit14->text(), "005") << way;
        EXPECT_EQ(form->systemPage->Edit6->text(), "1000") << way;
        EXPECT_EQ(form->systemPage->ComboBox7->ItemIndex(), 1) << way;
        EXPECT_EQ(form->modbusPage->ComboBox41->currentText(), "0") << way;
        EXPECT_EQ(form->modbusPage->Label19->text(), "40001:")
            << way; // no mirror from "HART address:"
    }

    // A pick from the drop-down list.
    TComboBox* instrument = form->modbusPage->ComboBox41;
    ShowPageOf(instrument);
    instrument->showPopup();
    QAbstractItemView* view = instrument->view();
    const QModelIndex third = view->model()->index(3, 0);
    view->setCurrentIndex(third);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(third).center());
    EXPECT_EQ(SentAll(), "QQQ#QQ3#");
    ClickInto(instrument);
    LeaveList(instrument, Leave::Tab);
    EXPECT_EQ(SentAll(150), "");

    // Typing an item, then leaving.
    ClickInto(instrument);
    instrument->lineEdit()->selectAll();
    QTest::keyClicks(instrument->lineEdit(), "5");
    EXPECT_EQ(SentAll(), "QQQ#QQ5#");
    LeaveList(instrument, Leave::Return);
    EXPECT_EQ(SentAll(150), "");
    EXPECT_EQ(instrument->ItemIndex(), 5);
}

// The wheel over a list whose focus is elsewhere scrolls the page and leaves the list alone:
// every list of the window, among them those with a handler and the line settings.
TEST_F(ListInput, WheelOverAnUnfocusedListScrollsThePage) {
    OpenPort();
    form->resize(640, 360); // small enough that every page needs scrolling
    QCoreApplication::processEvents();
    const auto lists = form->findChildren<TComboBox*>();
    for (TComboBox* list : lists) {
        const std::string name = list->objectName().toStdString();
        QScrollArea* area = ShowPageOf(list);
        ASSERT_NE(area, nullptr) << name;
        QLineEdit* focus = form->Edit8;
        focus->setFocus(Qt::MouseFocusReason);
        const QString before = list->currentText();
        const int index = list->currentIndex();
        QSignalSpy changes(list, &TComboBox::UserChanged);
        QScrollBar* bar = area->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0) << name;
        bar->setValue(0);
        WheelDown(list);
        EXPECT_EQ(changes.count(), 0) << name;
        EXPECT_EQ(list->currentText(), before) << name;
        EXPECT_EQ(list->currentIndex(), index) << name;
        EXPECT_FALSE(list->hasFocus()) << name;
        EXPECT_GT(bar->value(), 0) << name << ": the page did not scroll";
    }
    EXPECT_EQ(SentAll(150), "");
}

// With the focus, the wheel steps like the arrow keys: one handler run per step.
TEST_F(ListInput, WheelOverTheFocusedListIsAPick) {
    OpenPort();
    TComboBox* instrument = form->modbusPage->ComboBox41;
    instrument->SetItemIndex(2);
    ClickInto(instrument);
    WheelDown(instrument);
    EXPECT_EQ(SentAll(), "QQQ#QQ3#");
    EXPECT_EQ(instrument->ItemIndex(), 3);
}

} // namespace
