// The window on a laptop's screen (1600 x 900, run at the scales of 1 and 1.5): it opens
// no larger than the screen, and a dock opened beside the pages grows the window where the
// screen has room, floats where it has none, and never takes the pages' own space.

#include "ui/MonitorDock.h"
#include "ui/RegisterDock.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"

#include <QAction>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QRect Available(const QWidget& w) {
    return w.screen()->availableGeometry();
}

// The named controls of the current page that lie outside what its scroll area shows.
QStringList HiddenControls(const TForm1& form) {
    auto* area = qobject_cast<QScrollArea*>(form.PageControl1->currentWidget());
    QStringList hidden;
    if (area == nullptr)
        return {"no page"};
    const QRect shown = area->viewport()->rect();
    for (const QWidget* w : area->widget()->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
            !w->isVisibleTo(&form))
            continue;
        if (!shown.contains(QRect(w->mapTo(area->viewport(), QPoint(0, 0)), w->size())))
            hidden << w->objectName();
    }
    return hidden;
}

class WindowScreen : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>();
        form->FitToScreen();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->FitToScreen();
        QTest::qWait(50);
    }
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowScreen, OpensNoLargerThanTheScreen) {
    const QRect available = Available(*form);
    EXPECT_TRUE(available.contains(form->frameGeometry()))
        << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " on "
        << available.width() << "x" << available.height();
    // Where the screen has room the window keeps its own size.
    if (available.width() >= 1100 + 20 && available.height() >= 640 + 40) {
        EXPECT_EQ(form->size(), QSize(1100, 640));
    }
}

TEST_F(WindowScreen, DocksGrowTheWindowOrFloatAndThePagesKeepTheirSpace) {
    struct Case {
        const char* action;
        QDockWidget* (*dock)(TForm1&);
    };
    const Case cases[] = {
        {"ActionTrafficLog", [](TForm1& f) -> QDockWidget* { return f.trafficDock; }},
        {"ActionMonitor", [](TForm1& f) -> QDockWidget* { return f.monitorDock; }},
        {"ActionModbusValues", [](TForm1& f) -> QDockWidget* { return f.registerDock; }},
    };
    for (int page = 0; page < 4; ++page) {
        form->PageControl1->setCurrentIndex(page);
        for (const Case& c : cases) {
            QTest::qWait(30);
            const QSize before = form->size();
            const QStringList hiddenBefore = HiddenControls(*form);
            auto* area = qobject_cast<QScrollArea*>(form->PageControl1->currentWidget());
            const QSize viewport = area->viewport()->size();
            auto* action = form->findChild<QAction*>(c.action);
            ASSERT_NE(action, nullptr) << c.action;
            action->trigger();
            QTest::qWait(80);
            QDockWidget* dock = c.dock(*form);
            ASSERT_NE(dock, nullptr) << c.action;
            ASSERT_TRUE(dock->isVisible()) << c.action;
            // The window stays on the screen, and the pages keep what they had.
            EXPECT_TRUE(Available(*form).contains(form->frameGeometry())) << c.action;
            EXPECT_GE(area->viewport()->width(), viewport.width()) << c.action << page;
            EXPECT_GE(area->viewport()->height(), viewport.height()) << c.action << page;
            EXPECT_EQ(HiddenControls(*form), hiddenBefore) << c.action << page;
            if (!dock->isFloating()) {
                const bool across = form->dockWidgetArea(dock) == Qt::BottomDockWidgetArea;
                EXPECT_GE(across ? form->height() - before.height()
                                 : form->width() - before.width(),
                          across ? dock->height() : dock->width())
                    << c.action;
            }
            // Closed, the dock gives its room back.
            action->trigger();
            QTest::qWait(80);
            EXPECT_FALSE(dock->isVisible()) << c.action;
            EXPECT_EQ(form->size(), before) << c.action << page;
        }
    }
}

// At the ordinary scale there is room for the traffic log under the pages: it docks, and
// every control of the page stays in view.
TEST_F(WindowScreen, TheTrafficLogDocksUnderThePagesWhereThereIsRoom) {
    if (Available(*form).height() < 900)
        GTEST_SKIP() << "the screen at this scale has no room below the window";
    EXPECT_TRUE(HiddenControls(*form).isEmpty());
    form->ActionTrafficLog->trigger();
    QTest::qWait(80);
    EXPECT_FALSE(form->trafficDock->isFloating());
    EXPECT_EQ(form->dockWidgetArea(form->trafficDock), Qt::BottomDockWidgetArea);
    EXPECT_TRUE(HiddenControls(*form).isEmpty()) << HiddenControls(*form).join(' ').toStdString();
}

} // namespace
