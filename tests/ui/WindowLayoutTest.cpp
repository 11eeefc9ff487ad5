// The window's geometry as an engineer sees it on a laptop screen: every page fits without
// scrolling, the hidden label keeps its place, text stays readable under a dark theme and
// the pictures are drawn for the screen's pixel density.

#include "ui/JpegLoader.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class WindowLayout : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>();
        form->resize(1100, 640);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void ShowPage(int index) {
        form->PageControl1->setCurrentIndex(index);
        QTest::qWait(30);
    }
    std::unique_ptr<TForm1> form;
};

// What of `w` lies outside `visible` (given in `area`'s coordinates), as text; empty when
// all of it is inside.
QString Outside(const QWidget* w, const QWidget* area, const QRect& visible) {
    const QRect r(w->mapTo(area, QPoint(0, 0)), w->size());
    if (visible.contains(r))
        return {};
    return QString("%1 at %2,%3 %4x%5 outside %6,%7 %8x%9 ")
        .arg(w->objectName())
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .arg(visible.x())
        .arg(visible.y())
        .arg(visible.width())
        .arg(visible.height());
}

TEST_F(WindowLayout, EveryPageShowsAllItsNamedControlsWithoutScrolling) {
    const char* sheets[] = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4"};
    for (int page = 0; page < 4; ++page) {
        ShowPage(page);
        auto* area = qobject_cast<QScrollArea*>(form->PageControl1->widget(page));
        ASSERT_NE(area, nullptr) << page;
        EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << sheets[page];
        EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << sheets[page];
        auto* sheet = form->findChild<QWidget*>(sheets[page]);
        ASSERT_NE(sheet, nullptr);
        QWidget* viewport = area->viewport();
        QString outside;
        int named = 0;
        for (QWidget* w : sheet->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
                !w->isVisibleTo(form.get()))
                continue;
            ++named;
            outside += Outside(w, viewport, viewport->rect());
        }
        EXPECT_GT(named, 0) << sheets[page];
        EXPECT_TRUE(outside.isEmpty()) << sheets[page] << ": " << outside.toStdString();
    }
    // The frame around the pages: header, send and receive fields, the status line.
    QString outside;
    for (QWidget* w : {static_cast<QWidget*>(form->Image1), static_cast<QWidget*>(form->Label41),
                       static_cast<QWidget*>(form->Label83), static_cast<QWidget*>(form->Edit8),
                       static_cast<QWidget*>(form->Memo10), static_cast<QWidget*>(form->Button26),
                       static_cast<QWidget*>(form->LinkStatus)})
        outside += Outside(w, form.get(), form->rect());
    EXPECT_TRUE(outside.isEmpty()) << outside.toStdString();
}

TEST_F(WindowLayout, PagesScrollOnlyWhenTheWindowIsMadeSmaller) {
    form->resize(700, 480);
    ShowPage(0);
    auto* area = qobject_cast<QScrollArea*>(form->PageControl1->widget(0));
    EXPECT_TRUE(area->verticalScrollBar()->isVisible() || area->horizontalScrollBar()->isVisible());
    form->resize(1100, 640);
    QTest::qWait(30);
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
}

TEST_F(WindowLayout, HiddenLabelKeepsItsPlaceOverTheHeaderWhateverTheWindowSize) {
    for (QSize size : {QSize(1100, 640), QSize(1400, 800), QSize(900, 600)}) {
        form->resize(size);
        QTest::qWait(20);
        // The client area starts below the menu bar.
        QWidget* client = form->centralWidget();
        EXPECT_EQ(QRect(form->Label8->mapTo(client, QPoint(0, 0)), form->Label8->size()),
                  QRect(808, 8, 17, 33))
            << size.width();
        EXPECT_EQ(client->childAt(816, 24), form->Label8) << size.width(); // nothing covers it
        EXPECT_FALSE(form->Label8->autoFillBackground());
        EXPECT_TRUE(form->Label8->text().isEmpty());
    }
}

// The contrast of two colours as the WCAG defines it (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour a label's text is drawn on: the background of the nearest widget that fills
// its own, else the window's.
QColor BackgroundOf(const QWidget* w) {
    for (; w != nullptr; w = w->parentWidget())
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(QPalette::Window);
    return {};
}

TEST(WindowTheme, TextOnFixedBackgroundsStaysReadableUnderADarkPalette) {
    const QPalette saved = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    {
        TForm1 form;
        form.show();
        form.ShowLinkStatus("reconnected to /dev/ttyUSB0 at 12:03:41");
        const char* names[] = {"Label41", "Label77",    "Label76", "Label82", "Label83",
                               "Label16", "Label68",    "Label19", "HLabel1", "Label40",
                               "Label60", "LinkStatus", "Label34"};
        for (const char* name : names) {
            auto* label = form.findChild<QLabel*>(name);
            ASSERT_NE(label, nullptr) << name;
            const double contrast =
                Contrast(label->palette().color(QPalette::WindowText), BackgroundOf(label));
            EXPECT_GE(contrast, 3.0) << name;
        }
    }
    QApplication::setPalette(saved);
}

TEST(WindowPictures, DrawnAtTheScreensPixelDensity) {
    struct Case {
        const char* resource;
        QSize logical;
    };
    for (const Case c :
         {Case{":/pictures/logo.jpg", {98, 40}}, Case{":/pictures/wiring.jpg", {688, 360}}}) {
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            const QPixmap pixmap = PicturePixmap(c.resource, ratio);
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), c.logical) << c.resource << ratio;
            EXPECT_EQ(pixmap.size(), (QSizeF(c.logical) * ratio).toSize()) << c.resource << ratio;
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio) << c.resource;
        }
        // Drawn for twice the density, not blown up from the small picture.
        QString large = c.resource;
        large.replace(".jpg", "@2x.jpg");
        EXPECT_EQ(PicturePixmap(c.resource, 2.0).toImage().convertToFormat(QImage::Format_RGB888),
                  LoadJpeg(large).convertToFormat(QImage::Format_RGB888))
            << c.resource;
    }
    const QIcon icon = ApplicationIcon();
    EXPECT_EQ(icon.availableSizes().size(), 2);
    EXPECT_EQ(icon.actualSize(QSize(128, 128)), QSize(128, 128));
}

} // namespace
