#include "ui/TrafficDock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QTableView>

namespace {

TEST(TrafficDock, ShowsAppendedTrafficAndCopiesSelectedRows) {
    TrafficDock dock;
    EXPECT_EQ(dock.objectName(), "TrafficDock");
    EXPECT_EQ(dock.windowTitle(), "Traffic");
    auto* view = dock.findChild<QTableView*>("TrafficLog");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->model(), &dock.Model());
    dock.show();

    dock.AppendSent("QQQ#QV#");
    dock.AppendReceived("QV:11", {}, 85);
    dock.AppendReceived("QQS OK", "setting accepted");
    dock.AppendNote("port lost");
    QApplication::processEvents();
    ASSERT_EQ(dock.Model().rowCount(), 4);
    const QStringList meanings = {"communication query", "reply to communication query",
                                  "setting accepted", "port lost"};
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(dock.Model().CellText(r, TrafficLogModel::MeaningColumn), meanings[r]);
    EXPECT_EQ(dock.Model().CellText(1, TrafficLogModel::RoundTripColumn), "85");

    // The cells are drawn: the first row's meaning cell holds pixels of the text colour.
    dock.resize(1000, 300);
    QApplication::processEvents();
    const QImage shot = view->viewport()->grab().toImage();
    const QRect cell = view->visualRect(dock.Model().index(0, TrafficLogModel::MeaningColumn));
    // Clear of the grid lines, within the visible part of the cell.
    const QRect inside = cell.adjusted(2, 2, -2, -2) & shot.rect().adjusted(0, 0, -2, 0);
    const QRgb background = shot.pixel(inside.right(), inside.center().y());
    int inked = 0;
    for (int x = inside.left(); x <= inside.right(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            inked += shot.pixel(x, y) != background;
    EXPECT_GT(inked, 50);

    EXPECT_EQ(dock.SelectedText(), "");
    view->selectionModel()->select(dock.Model().index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(dock.Model().index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QStringList lines = dock.SelectedText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Time"));
    EXPECT_TRUE(lines[1].contains("RX   51 56 3A 31 31  QV:11  reply to communication query  85"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("port lost")) << lines[2].toStdString();
}

} // namespace

// One offscreen application for the whole program, gone before the program's statics.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
