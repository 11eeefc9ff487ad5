#include "traffic/TrafficLogFile.h"

#include "traffic/TrafficLogModel.h"
#include "traffic/TrafficText.h"

#include <QSaveFile>

#include <algorithm>

namespace TrafficLogFile {

TrafficLogFormat FormatForPath(const QString& path) {
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? TrafficLogFormat::Csv
                                                                      : TrafficLogFormat::Text;
}

QStringList Header() {
    QStringList header;
    for (int c = 0; c < TrafficLogModel::ColumnCount; ++c)
        header << TrafficLogModel::ColumnTitle(c);
    return header;
}

QStringList RowFields(const TrafficLogModel& model, int row) {
    QStringList fields;
    fields << IsoTimeText(model.Row(row).msecsSinceEpoch);
    for (int c = TrafficLogModel::DirectionColumn; c < TrafficLogModel::ColumnCount; ++c)
        fields << model.CellText(row, c);
    return fields;
}

QString CsvRecord(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            line += QLatin1Char(',');
        QString field = fields[i];
        if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
            field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
            field.replace(QLatin1String("\""), QLatin1String("\"\""));
            field = QLatin1Char('"') + field + QLatin1Char('"');
        }
        line += field;
    }
    return line + QStringLiteral("\r\n");
}

QString TabbedLine(const QStringList& fields) {
    QStringList cleaned;
    for (QString f : fields)
        cleaned << f.replace(QLatin1Char('\t'), QLatin1Char(' '))
                       .replace(QLatin1Char('\n'), QLatin1Char(' '))
                       .replace(QLatin1Char('\r'), QLatin1Char(' '));
    return cleaned.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString AlignedText(const std::vector<QStringList>& lines) {
    std::vector<qsizetype> widths;
    for (const QStringList& line : lines) {
        widths.resize(std::max(widths.size(), static_cast<std::size_t>(line.size())), 0);
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)], line[c].size());
    }
    QString text;
    for (const QStringList& line : lines) {
        QString out;
        for (qsizetype c = 0; c < line.size(); ++c) {
            if (c)
                out += QStringLiteral("  ");
            out += line[c].leftJustified(widths[static_cast<std::size_t>(c)]);
        }
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        text += out + QLatin1Char('\n');
    }
    return text;
}

bool Save(const TrafficLogModel& model, const QString& path, TrafficLogFormat format,
          QString* error) {
    QString text;
    if (format == TrafficLogFormat::Csv) {
        text = CsvRecord(Header());
        for (int r = 0; r < model.rowCount(); ++r)
            text += CsvRecord(RowFields(model, r));
    } else {
        std::vector<QStringList> lines{Header()};
        lines.reserve(static_cast<std::size_t>(model.rowCount()) + 1);
        for (int r = 0; r < model.rowCount(); ++r)
            lines.push_back(RowFields(model, r));
        text = AlignedText(lines);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace TrafficLogFile
