#pragma once

#include "link/MonitorSampler.h"

#include <QDockWidget>
#include <QFile>
#include <QTimer>

#include <functional>
#include <limits>
#include <optional>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QValueAxis;

// The "Monitor" dock: repeats HART command 3 of an instrument or a MODBUS register read at
// a chosen interval on the window's port, plots the values against time with their units,
// shows each one's last value, minimum and maximum and the count of failed reads, and
// records every read to a CSV file. The reads run on the sampling engine's thread; the dock
// only collects what it took, every RefreshMs, so the window never waits on the line.
// While it reads, the port is lent to it (the pages' requests are paused) through `borrow`
// and `giveBack`.
class MonitorDock : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 50;
    // Points kept per channel in the chart, spread over its time window: reads closer
    // together than the window over this count share one point (the table still counts
    // them all); older points scroll out. It bounds the chart's drawing at any read rate.
    static constexpr int ChartPoints = 1200;
    // The time axis starts this long and grows with the reads up to TimeWindowSeconds, then
    // shows the latest TimeWindowSeconds.
    static constexpr double FirstTimeSpanSeconds = 10;
    static constexpr double TimeWindowSeconds = 60;

    // `borrow` takes the port from the pages and names its line (nullopt: the monitor does
    // not start); `giveBack` returns it.
    MonitorDock(std::function<std::optional<LineSettings>()> borrow, std::function<void()> giveBack,
                QWidget* parent = nullptr);
    ~MonitorDock() override;

    // The Start and Stop buttons.
    void Start();
    void Stop();
    bool Running() const { return sampler.Running(); }
    // Records every read from now on to `path` (CSV), each batch written and flushed as it
    // comes; an empty path ends the recording. A write that fails (a full disk) ends the
    // recording and says why.
    bool RecordTo(const QString& path);
    bool Recording() const { return csv.isOpen(); }

    // What it shows, for tests and the benchmark.
    int Reads() const { return reads; }
    int FailedReads() const { return failed; }
    QChart* Chart() const { return chart; }
    // The value axis line `channel` is drawn against: one per unit, scaled to its own lines.
    QValueAxis* AxisOf(std::size_t channel) const;
    QTableWidget* Values() const { return values; }

signals:
    void Stopped();

private:
    struct Extremes {
        double last = std::numeric_limits<double>::quiet_NaN();
        double min = std::numeric_limits<double>::infinity();
        double max = -std::numeric_limits<double>::infinity();
    };

    QWidget* BuildControls();
    MonitorRequest Request() const;
    void Collect();
    void Finish();
    void ShowChannels(const std::vector<MonitorChannel>& shown);
    void Plot(const std::vector<MonitorSample>& taken);
    void ShowValues();
    void Record(const std::vector<MonitorSample>& taken);
    // Appends `text` to the recording and flushes it; a failure ends the recording with a
    // message.
    void WriteCsv(const std::string& text);
    void RecordClicked(bool on);
    void ShowState(const QString& text);
    // The record button's caption: what it does, or the file it records to.
    void ShowRecording();
    void ClearLines();

    std::function<std::optional<LineSettings>()> borrow;
    std::function<void()> giveBack;
    MonitorSampler sampler;
    QTimer refresh;
    bool stopping = false;

    std::vector<MonitorChannel> channels;
    std::vector<Extremes> extremes;
    std::vector<QLineSeries*> series;
    double lastPlotted = -1; // time of the chart's latest point
    int reads = 0;
    int failed = 0;
    QString lastFailure;

    QFile csv;
    MonitorCsv csvRows;

    QComboBox* kind = nullptr;
    QStackedWidget* requestFields = nullptr;
    QSpinBox* address = nullptr;
    QSpinBox* slave = nullptr;
    QSpinBox* start = nullptr;
    QSpinBox* count = nullptr;
    QComboBox* type = nullptr;
    QComboBox* order = nullptr;
    QSpinBox* interval = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* recordButton = nullptr;
    QLabel* state = nullptr;
    QLabel* failedLabel = nullptr;
    QTableWidget* values = nullptr;
    QChart* chart = nullptr;
    QChartView* chartView = nullptr;
    QValueAxis* timeAxis = nullptr;
    std::vector<QValueAxis*> valueAxes; // one per unit, in the order the units come
    std::vector<std::size_t> axisOf;    // each line's axis in valueAxes
};
