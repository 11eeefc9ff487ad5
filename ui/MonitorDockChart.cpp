// The monitor dock's chart: a line per value over time, against one value axis per unit.

#include "ui/MonitorDock.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

void MonitorDock::ClearLines() {
    for (QLineSeries* s : series)
        chart->removeSeries(s);
    qDeleteAll(series);
    series.clear();
    for (QValueAxis* axis : valueAxes) {
        chart->removeAxis(axis);
        delete axis;
    }
    valueAxes.clear();
    axisOf.clear();
}

QValueAxis* MonitorDock::AxisOf(std::size_t channel) const {
    return channel < axisOf.size() ? valueAxes[axisOf[channel]] : nullptr;
}

void MonitorDock::Plot(const std::vector<MonitorSample>& taken) {
    constexpr double Spacing = TimeWindowSeconds / ChartPoints;
    std::vector<QList<QPointF>> points(series.size());
    double latest = 0;
    for (const MonitorSample& sample : taken) {
        latest = std::max(latest, sample.seconds);
        if (!sample.ok)
            continue;
        const bool plotted = lastPlotted < 0 || sample.seconds - lastPlotted >= Spacing;
        if (plotted)
            lastPlotted = sample.seconds;
        for (std::size_t i = 0; i < series.size() && i < sample.values.size(); ++i) {
            const double v = sample.values[i];
            if (!std::isfinite(v))
                continue;
            if (plotted)
                points[i].append({sample.seconds, v});
            Extremes& e = extremes[i];
            e.last = v;
            e.min = std::min(e.min, v);
            e.max = std::max(e.max, v);
        }
    }
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (points[i].isEmpty())
            continue;
        series[i]->append(points[i]);
        if (const qsizetype over = series[i]->count() - ChartPoints; over > 0)
            series[i]->removePoints(0, static_cast<int>(over));
    }
    if (latest > FirstTimeSpanSeconds)
        timeAxis->setRange(std::max(0.0, latest - TimeWindowSeconds), latest);
    for (std::size_t u = 0; u < valueAxes.size(); ++u) {
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (std::size_t i = 0; i < extremes.size() && i < axisOf.size(); ++i) {
            if (axisOf[i] != u)
                continue;
            low = std::min(low, extremes[i].min);
            high = std::max(high, extremes[i].max);
        }
        if (std::isfinite(low) && std::isfinite(high)) {
            const double margin =
                std::max((high - low) * 0.05, std::max(std::abs(high), 1.0) * 0.01);
            valueAxes[u]->setRange(low - margin, high + margin);
        }
    }
}
