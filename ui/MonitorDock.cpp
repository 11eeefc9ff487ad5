#include "ui/MonitorDock.h"

#include "hart/HartFrames.h"
#include "ui/Messages.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

using std::chrono::milliseconds;

// How long one read waits for its answer before it counts as failed.
constexpr milliseconds ReadTimeout{1000};

QSpinBox* SpinBox(const char* name, int low, int high, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QComboBox* NamesBox(const char* name, int items, std::string_view (*itemName)(int)) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < items; ++i) {
        const std::string_view text = itemName(i);
        box->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
    return box;
}

QString Number(double value) {
    return std::isfinite(value) ? QString::number(value, 'g', 7) : QString();
}

QString ChannelTitle(const MonitorChannel& channel) {
    QString title = QString::fromStdString(channel.name);
    if (!channel.unit.empty())
        title += " [" + QString::fromStdString(channel.unit) + "]";
    return title;
}

} // namespace

MonitorDock::MonitorDock(std::function<std::optional<LineSettings>()> borrowPort,
                         std::function<void()> givePortBack, QWidget* parent)
    : QDockWidget(tr("Monitor"), parent), borrow(std::move(borrowPort)),
      giveBack(std::move(givePortBack)) {
    setObjectName(QStringLiteral("MonitorDock"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(BuildControls());

    state = new QLabel(tr("Stopped."));
    state->setObjectName(QStringLiteral("MonitorState"));
    state->setWordWrap(true);
    failedLabel = new QLabel;
    failedLabel->setObjectName(QStringLiteral("MonitorFailed"));
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(state, 1);
    stateRow->addWidget(failedLabel);
    layout->addLayout(stateRow);

    values = new QTableWidget(0, 4);
    values->setObjectName(QStringLiteral("MonitorValues"));
    values->setHorizontalHeaderLabels({tr("value"), tr("last"), tr("minimum"), tr("maximum")});
    values->verticalHeader()->hide();
    values->setEditTriggers(QAbstractItemView::NoEditTriggers);
    values->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Room for the four HART variables without scrolling.
    values->verticalHeader()->setDefaultSectionSize(values->fontMetrics().height() + 6);
    values->setFixedHeight(values->horizontalHeader()->sizeHint().height() +
                           4 * values->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(values);

    chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    timeAxis = new QValueAxis;
    timeAxis->setTitleText(tr("time (s)"));
    timeAxis->setRange(0, FirstTimeSpanSeconds);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chartView = new QChartView(chart);
    chartView->setObjectName(QStringLiteral("MonitorChart"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(220);
    layout->addWidget(chartView, 1);
    // On a small screen the dock scrolls rather than growing past it.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("MonitorScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(body);
    setWidget(scroll);

    refresh.setInterval(RefreshMs);
    connect(&refresh, &QTimer::timeout, this, &MonitorDock::Collect);
    failedLabel->setText(tr("failed reads: 0"));
}

MonitorDock::~MonitorDock() {
    // The thread ends before the dock's parts go; the port goes back with the window.
    sampler.Stop();
}

QWidget* MonitorDock::BuildControls() {
    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);

    kind = new QComboBox;
    kind->setObjectName(QStringLiteral("MonitorKind"));
    kind->addItems({tr("HART command 3"), tr("MODBUS registers")});
    row->addWidget(kind);

    requestFields = new QStackedWidget;
    auto* hart = new QWidget;
    auto* hartForm = new QHBoxLayout(hart);
    hartForm->setContentsMargins(0, 0, 0, 0);
    address = SpinBox("MonitorAddress", 0, HartPollAddressItems - 1, 0);
    hartForm->addWidget(new QLabel(tr("poll address:")));
    hartForm->addWidget(address);
    hartForm->addStretch();
    requestFields->addWidget(hart);

    auto* modbus = new QWidget;
    auto* modbusForm = new QHBoxLayout(modbus);
    modbusForm->setContentsMargins(0, 0, 0, 0);
    slave = SpinBox("MonitorSlave", 1, 247, 1);
    start = SpinBox("MonitorStart", 0, 65535, 0);
    count = SpinBox("MonitorCount", 1, 125, 2);
    type = NamesBox("MonitorType", 5, [](int i) { return RegisterTypeName(RegisterType(i)); });
    order = NamesBox("MonitorOrder", 4, [](int i) { return ByteOrderName(ByteOrder(i)); });
    for (auto [label, field] : {std::pair<QString, QWidget*>{tr("slave:"), slave},
                                {tr("start:"), start},
                                {tr("registers:"), count},
                                {tr("type:"), type},
                                {tr("order:"), order}}) {
        modbusForm->addWidget(new QLabel(label));
        modbusForm->addWidget(field);
    }
    requestFields->addWidget(modbus);
    row->addWidget(requestFields);
    connect(kind, &QComboBox::currentIndexChanged, requestFields, &QStackedWidget::setCurrentIndex);

    row->addWidget(new QLabel(tr("every:")));
    interval = SpinBox("MonitorInterval", 0, 3600000, 500);
    interval->setSuffix(tr(" ms"));
    interval->setSpecialValueText(tr("continuous"));
    interval->setSingleStep(100);
    row->addWidget(interval);

    startButton = new QPushButton(tr("Start"));
    startButton->setObjectName(QStringLiteral("MonitorStartButton"));
    stopButton = new QPushButton(tr("Stop"));
    stopButton->setObjectName(QStringLiteral("MonitorStopButton"));
    stopButton->setEnabled(false);
    recordButton = new QPushButton(tr("Record to CSV..."));
    recordButton->setObjectName(QStringLiteral("MonitorRecord"));
    recordButton->setCheckable(true);
    row->addWidget(startButton);
    row->addWidget(stopButton);
    row->addWidget(recordButton);
    connect(startButton, &QPushButton::clicked, this, &MonitorDock::Start);
    connect(stopButton, &QPushButton::clicked, this, &MonitorDock::Stop);
    connect(recordButton, &QPushButton::clicked, this, &MonitorDock::RecordClicked);
    return controls;
}

MonitorRequest MonitorDock::Request() const {
    MonitorRequest request;
    request.kind =
        kind->currentIndex() == 0 ? MonitorRequest::Kind::Hart : MonitorRequest::Kind::Modbus;
    request.hartAddress = address->value();
    request.slave = static_cast<std::uint8_t>(slave->value());
    request.start = static_cast<std::uint16_t>(start->value());
    request.count = static_cast<std::uint16_t>(count->value());
    request.type = static_cast<RegisterType>(type->currentIndex());
    request.order = static_cast<ByteOrder>(order->currentIndex());
    return request;
}

void MonitorDock::Start() {
    if (sampler.Running())
        return;
    const std::optional<LineSettings> line = borrow();
    if (!line)
        return;
    const std::optional<std::string> failure =
        sampler.Start(*line, Request(), milliseconds(interval->value()), ReadTimeout);
    if (failure) {
        giveBack();
        ShowMessage(this,
                    tr("The monitor cannot open %1: %2")
                        .arg(QString::fromStdString(line->port), QString::fromStdString(*failure)));
        return;
    }
    stopping = false;
    channels.clear();
    extremes.clear();
    ClearLines();
    values->setRowCount(0);
    reads = 0;
    failed = 0;
    lastFailure.clear();
    lastPlotted = -1;
    csvRows = {};
    timeAxis->setRange(0, FirstTimeSpanSeconds);
    for (QWidget* w : {static_cast<QWidget*>(kind), static_cast<QWidget*>(requestFields),
                       static_cast<QWidget*>(interval), static_cast<QWidget*>(startButton)})
        w->setEnabled(false);
    stopButton->setEnabled(true);
    failedLabel->setText(tr("failed reads: 0"));
    ShowState(tr("Reading %1 at %2 baud. The pages' requests are paused until Stop.")
                  .arg(QString::fromStdString(line->port))
                  .arg(line->baud));
    refresh.start();
}

void MonitorDock::Stop() {
    if (!sampler.Running() || stopping)
        return;
    // The read in progress ends at its answer or its time-out; Collect sees the thread end.
    stopping = true;
    stopButton->setEnabled(false);
    sampler.Cancel();
    ShowState(tr("Stopping..."));
}

void MonitorDock::Collect() {
    const std::vector<MonitorSample> taken = sampler.Take();
    if (!taken.empty()) {
        for (const MonitorSample& sample : taken) {
            ++reads;
            if (!sample.ok) {
                ++failed;
                lastFailure = QString::fromStdString(sample.failure);
            } else if (sample.channels != channels) {
                ShowChannels(sample.channels);
            }
        }
        Plot(taken);
        Record(taken);
        ShowValues();
    }
    if (sampler.Finished())
        Finish();
}

void MonitorDock::Finish() {
    refresh.stop();
    const std::string ended = sampler.Ended();
    sampler.Stop();
    stopping = false;
    for (QWidget* w : {static_cast<QWidget*>(kind), static_cast<QWidget*>(requestFields),
                       static_cast<QWidget*>(interval), static_cast<QWidget*>(startButton)})
        w->setEnabled(true);
    stopButton->setEnabled(false);
    giveBack();
    ShowState(ended.empty()
                  ? tr("Stopped after %1 reads; the port is back with the pages.").arg(reads)
                  : tr("Stopped: %1.").arg(QString::fromStdString(ended)));
    emit Stopped();
}

void MonitorDock::ShowChannels(const std::vector<MonitorChannel>& shown) {
    // The same names keep their lines and extremes when only a unit changed.
    const bool sameNames = std::equal(
        shown.begin(), shown.end(), channels.begin(), channels.end(),
        [](const MonitorChannel& a, const MonitorChannel& b) { return a.name == b.name; });
    channels = shown;
    // Lines of one unit share an axis; each unit has its own, so that degrees, bar and
    // milliamperes each fill the chart's height instead of lying flat on one scale.
    QStringList units;
    for (const MonitorChannel& channel : channels)
        if (const QString unit = QString::fromStdString(channel.unit); !units.contains(unit))
            units.append(unit);
    QStringList titles;
    for (const QValueAxis* axis : valueAxes)
        titles.append(axis->titleText());
    QStringList wanted;
    for (const QString& unit : units)
        wanted.append(unit.isEmpty() ? tr("value") : unit);
    if (!sameNames || titles != wanted) {
        ClearLines();
        extremes.assign(channels.size(), Extremes{});
        for (int u = 0; u < units.size(); ++u) {
            auto* axis = new QValueAxis;
            axis->setTitleText(wanted[u]);
            chart->addAxis(axis, u % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
            valueAxes.push_back(axis);
        }
        for (std::size_t i = 0; i < channels.size(); ++i) {
            auto* line = new QLineSeries;
            chart->addSeries(line);
            const auto u =
                static_cast<std::size_t>(units.indexOf(QString::fromStdString(channels[i].unit)));
            line->attachAxis(timeAxis);
            line->attachAxis(valueAxes[u]);
            series.push_back(line);
            axisOf.push_back(u);
        }
        values->setRowCount(static_cast<int>(channels.size()));
    }
    for (std::size_t i = 0; i < channels.size(); ++i)
        series[i]->setName(ChannelTitle(channels[i]));
}

void MonitorDock::ShowValues() {
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const Extremes& e = extremes[i];
        const QStringList cells{ChannelTitle(channels[i]), Number(e.last), Number(e.min),
                                Number(e.max)};
        for (int column = 0; column < cells.size(); ++column) {
            QTableWidgetItem* item = values->item(static_cast<int>(i), column);
            if (!item) {
                item = new QTableWidgetItem;
                values->setItem(static_cast<int>(i), column, item);
            }
            item->setText(cells[column]);
        }
    }
    failedLabel->setText(lastFailure.isEmpty()
                             ? tr("failed reads: %1").arg(failed)
                             : tr("failed reads: %1 (last: %2)").arg(failed).arg(lastFailure));
}

void MonitorDock::ShowState(const QString& text) {
    state->setText(text);
}
