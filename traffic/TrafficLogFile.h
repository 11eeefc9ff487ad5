#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class TrafficLogModel;

// The traffic log written out: as text with aligned columns, or as CSV (RFC 4180: a header
// row, CRLF line ends, fields holding a comma, a quote or a line break quoted with their
// quotes doubled). Files carry the time as ISO 8601 with milliseconds and the UTC offset.
enum class TrafficLogFormat { Text, Csv };

namespace TrafficLogFile {

// .csv names CSV, anything else text.
TrafficLogFormat FormatForPath(const QString& path);

// The column captions, in table order.
QStringList Header();
// One row's fields as a file carries them.
QStringList RowFields(const TrafficLogModel& model, int row);
// One CSV record with its CRLF.
QString CsvRecord(const QStringList& fields);
// One tab-separated line (recorded text: each row stands alone, so nothing to align with).
QString TabbedLine(const QStringList& fields);
// Lines of fields padded to the widest of each column, two spaces apart, with "\n".
QString AlignedText(const std::vector<QStringList>& lines);

// The whole log (header, then every row) to `path`, replacing it. False with `error` set
// when the file cannot be written.
bool Save(const TrafficLogModel& model, const QString& path, TrafficLogFormat format,
          QString* error);

} // namespace TrafficLogFile
