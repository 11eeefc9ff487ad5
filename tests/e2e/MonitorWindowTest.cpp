// The monitor and the MODBUS values docks in the window against the simulated module: the
// port lent to the monitor and given back, the chart, the values and the CSV, then the
// read test's answer in the values dock.

#include "tests/EventWait.h"
#include "tests/e2e/SimProcess.h"
#include "ui/Messages.h"
#include "ui/MonitorDock.h"
#include "ui/RegisterDock.h"
#include "ui/TForm1.h"

#include <QChart>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// The window with its port open on the simulator (the caller checks that it opened).
std::unique_ptr<TForm1> WindowOn(const SimProcess& sim) {
    auto form = std::make_unique<TForm1>();
    form->show();
    form->SPREALCOM->ShowText(QString::fromStdString(sim.link));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    return form;
}

TEST(MonitorWindow, TwoSecondsOfHartReadsPlottedRecordedThenThePortGoesBack) {
    SimProcess sim;
    ASSERT_NE(sim.ready.find("ready"), std::string::npos) << sim.ready;
    QStringList messages;
    SetMessageSink([&](MessageKind, const QString& text) { messages << text; });
    auto form = WindowOn(sim);
    ASSERT_TRUE(form->link.PortIsOpen) << messages.join("|").toStdString();

    form->ActionMonitor->trigger();
    MonitorDock* dock = form->findChild<MonitorDock*>("MonitorDock");
    ASSERT_TRUE(dock && dock->isVisible());
    dock->findChild<QSpinBox*>("MonitorInterval")->setValue(200);
    QTemporaryDir dir;
    const QString csvPath = dir.filePath("monitor.csv");
    ASSERT_TRUE(dock->RecordTo(csvPath));
    // While recording, the button says so and names the file.
    auto* record = dock->findChild<QPushButton*>("MonitorRecord");
    EXPECT_EQ(record->text(), "Recording to monitor.csv");
    QTest::mouseClick(dock->findChild<QPushButton*>("MonitorStartButton"), Qt::LeftButton);
    ASSERT_TRUE(dock->Running()) << messages.join("|").toStdString();
    // The pages wait while the monitor holds the port, and the dock says so.
    EXPECT_FALSE(form->link.PortIsOpen);
    EXPECT_FALSE(form->PageControl1->isEnabled());
    EXPECT_TRUE(dock->findChild<QLabel*>("MonitorState")->text().contains("paused"));
    QTest::qWait(2000);
    QTest::mouseClick(dock->findChild<QPushButton*>("MonitorStopButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitForEvents([&] { return !dock->Running(); }, 3000));

    EXPECT_GE(dock->Reads(), 3);
    EXPECT_EQ(dock->FailedReads(), 0);
    // Four variables with their units, each plotted at every read.
    const auto series = dock->Chart()->series();
    ASSERT_EQ(series.size(), 4);
    EXPECT_TRUE(series[0]->name().startsWith("PV ["));
    EXPECT_GE(static_cast<QLineSeries*>(series[0])->count(), 3);
    QTableWidget* values = dock->Values();
    ASSERT_EQ(values->rowCount(), 4);
    EXPECT_EQ(values->item(0, 1)->text(), "25.5"); // last
    EXPECT_EQ(values->item(0, 2)->text(), "25.5"); // minimum
    EXPECT_EQ(values->item(3, 3)->text(), "100");  // maximum of QV
    // Each unit has its own axis, named by it and scaled to its own lines' values.
    for (int i = 0; i < 4; ++i) {
        const QString name = series[i]->name();
        const QString unit = name.mid(name.indexOf('[') + 1).chopped(1);
        const QValueAxis* axis = dock->AxisOf(static_cast<std::size_t>(i));
        ASSERT_NE(axis, nullptr) << i;
        EXPECT_EQ(axis->titleText(), unit) << name.toStdString();
        const double low = values->item(i, 2)->text().toDouble();
        const double high = values->item(i, 3)->text().toDouble();
        EXPECT_LE(axis->min(), low) << name.toStdString();
        EXPECT_GE(axis->max(), high) << name.toStdString();
        EXPECT_LE(axis->max() - axis->min(),
                  (high - low) * 1.2 + 0.03 * std::max(std::abs(high), 1.0))
            << name.toStdString() << " on " << axis->min() << ".." << axis->max();
        for (int j = 0; j < i; ++j) {
            if (!series[j]->name().endsWith("[" + unit + "]")) {
                EXPECT_NE(dock->AxisOf(static_cast<std::size_t>(j)), axis) << i << " " << j;
            }
        }
    }

    // The CSV: a header with the units, then one row per read with every value.
    dock->RecordTo({});
    EXPECT_EQ(record->text(), "Record to CSV...");
    QFile csv(csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.size() - 1, dock->Reads());
    EXPECT_TRUE(lines[0].startsWith("time_s,time,PV [")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(",failure")) << lines[0].toStdString();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(',');
        ASSERT_EQ(cells.size(), 7) << lines[i].toStdString();
        EXPECT_EQ(cells[2], "25.5") << lines[i].toStdString();
        EXPECT_EQ(cells[6], "") << lines[i].toStdString();
    }

    // The port is back with the pages, open as it was; a read test shows its registers.
    EXPECT_TRUE(form->link.PortIsOpen);
    EXPECT_TRUE(form->PageControl1->isEnabled());
    form->ActionModbusValues->trigger();
    form->modbusPage->Edit18->setText("1");
    form->modbusPage->Edit19->setText("0");
    form->modbusPage->Edit20->setText("4");
    form->registerDock->TypeBox()->setCurrentIndex(static_cast<int>(RegisterType::F32));
    QTest::mouseClick(form->modbusPage->Button4, Qt::LeftButton);
    QTableWidget* registers = form->registerDock->Table();
    ASSERT_TRUE(WaitForEvents([&] { return registers->rowCount() == 2; }, 4000))
        << messages.join("|").toStdString();
    // Numbered as the MODBUS page numbers registers, and every value shown whole.
    EXPECT_EQ(registers->item(0, 0)->text(), "40001");
    EXPECT_EQ(registers->item(1, 0)->text(), "40003");
    // In a narrow dock the cells keep their whole text (the table scrolls instead).
    registers->setFixedWidth(180);
    QCoreApplication::processEvents();
    QStyleOptionViewItem option;
    option.initFrom(registers);
    for (int r = 0; r < registers->rowCount(); ++r)
        for (int c = 0; c < 3; ++c) {
            const QModelIndex cell = registers->model()->index(r, c);
            EXPECT_GE(registers->columnWidth(c),
                      registers->itemDelegate()->sizeHint(option, cell).width())
                << cell.data().toString().toStdString();
        }
    // Channel 1 begins with its loop current, 12 mA.
    EXPECT_EQ(registers->item(0, 1)->text(), "41 40 00 00");
    EXPECT_EQ(registers->item(0, 2)->text(), "12");
    form.reset();
    SetMessageSink(nullptr);
}

// The recording is written as the reads come: a file holds its rows while the monitor still
// runs, and a write that fails (a full disk) ends the recording with a message while the
// reads go on.
TEST(MonitorWindow, TheRecordingIsWrittenAsTheReadsComeAndAFullDiskEndsIt) {
    SimProcess sim;
    ASSERT_NE(sim.ready.find("ready"), std::string::npos) << sim.ready;
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QString path;
        bool keepsRecording;
    };
    const std::vector<Case> cases{
        {"a file", dir.filePath("running.csv"), true},
        {"a full disk", "/dev/full", false},
    };
    for (const Case& c : cases) {
        QStringList messages;
        SetMessageSink([&](MessageKind, const QString& text) { messages << text; });
        auto form = WindowOn(sim);
        ASSERT_TRUE(form->link.PortIsOpen) << c.what;
        form->ActionMonitor->trigger();
        MonitorDock* dock = form->findChild<MonitorDock*>("MonitorDock");
        ASSERT_TRUE(dock);
        dock->findChild<QSpinBox*>("MonitorInterval")->setValue(100);
        ASSERT_TRUE(dock->RecordTo(c.path)) << c.what;
        QTest::mouseClick(dock->findChild<QPushButton*>("MonitorStartButton"), Qt::LeftButton);
        ASSERT_TRUE(WaitForEvents([&] { return dock->Reads() >= 4; }, 5000)) << c.what;
        EXPECT_TRUE(dock->Running()) << c.what;
        EXPECT_EQ(dock->Recording(), c.keepsRecording) << c.what;
        if (c.keepsRecording) {
            QFile csv(c.path);
            ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
            const auto lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
            EXPECT_GE(lines.size(), 4) << c.what << ": rows before Stop";
            EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
        } else {
            ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
            EXPECT_TRUE(messages[0].contains("stopped") && messages[0].contains("/dev/full"))
                << messages[0].toStdString();
            EXPECT_FALSE(dock->findChild<QPushButton*>("MonitorRecord")->isChecked());
        }
        QTest::mouseClick(dock->findChild<QPushButton*>("MonitorStopButton"), Qt::LeftButton);
        ASSERT_TRUE(WaitForEvents([&] { return !dock->Running(); }, 3000)) << c.what;
        EXPECT_EQ(dock->FailedReads(), 0) << c.what;
        form.reset();
        SetMessageSink(nullptr);
    }
}

} // namespace
