#include "traffic/TrafficLogModel.h"
#include "traffic/ChunkDescription.h"
#include "traffic/TrafficLogFile.h"
#include "traffic/TrafficRecorder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <ctime>
#include <vector>

namespace {

// Local time two hours ahead of UTC, so that a UTC slip shows in every time column.
const bool LocalZoneSet = [] {
    qputenv("TZ", "TLM-02");
    tzset();
    return true;
}();

const qint64 Start = QDateTime(QDate(2026, 12, 10), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

QByteArray Raw(std::initializer_list<int> bytes) {
    QByteArray raw;
    for (const int b : bytes)
        raw.append(static_cast<char>(b));
    return raw;
}

// A row as the window's owner would append it, its meaning from the chunk description.
TrafficRow Chunk(qint64 at, TrafficRowKind kind, const QByteArray& bytes, int roundTrip = -1) {
    const auto direction =
        kind == TrafficRowKind::Sent ? TrafficDirection::Tx : TrafficDirection::Rx;
    const std::string meaning =
        DescribeChunk(direction, {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())});
    return {Start + at, kind, bytes, QString::fromStdString(meaning), roundTrip};
}

TrafficRow Note(qint64 at, TrafficRowKind kind, const QString& text) {
    return {Start + at, kind, {}, text, -1};
}

const QByteArray IdentityRequest = Raw({0xFF, 0xFF, 0x02, 0x80, 0x00, 0x00, 0x82});
const QByteArray IdentityReply =
    Raw({0xFF, 0xFF, 0x06, 0x80, 0x00, 0x0E, 0x00, 0x00, 0xFE, 0x26, 0x06,
         0x05, 0x07, 0x01, 0x01, 0x01, 0x08, 0x12, 0x34, 0x56, 0x2D});
QByteArray BadChecksum(QByteArray frame) {
    frame.back() = static_cast<char>(frame.back() ^ 0x01);
    return frame;
}
const QByteArray ModbusRead = Raw({0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B});

std::vector<TrafficRow> ScriptedSession() {
    using K = TrafficRowKind;
    return {
        Chunk(0, K::Sent, "QQQ#QV#"),
        Chunk(120, K::Received, "QV:1", 118),
        Chunk(230, K::Received, "1"),
        Chunk(1000, K::Sent, IdentityRequest),
        Chunk(1290, K::Received, IdentityReply, 288),
        Chunk(2000, K::Sent, IdentityRequest),
        Chunk(2301, K::Received, BadChecksum(IdentityReply), 300),
        Chunk(3000, K::Sent, ModbusRead),
        Chunk(3045, K::Received, Raw({0x01, 0x83, 0x02, 0xC0, 0xF1}), 44),
        Chunk(4000, K::Sent, ModbusRead),
        Chunk(4040, K::Received, Raw({0x01, 0x03, 0x04, 0x41, 0xC8, 0x00, 0x00, 0x6F, 0xF2}), 39),
        Chunk(5000, K::Sent, "QQQ#QX#"),
        Note(8000, K::Timeout, "no reply after 3000 ms"),
        Note(8100, K::Dropped, "chunks dropped under a flood: 12"),
        Note(9000, K::PortLost, "port lost"),
    };
}

TEST(TrafficLogModel, ScriptedSessionShowsEveryColumn) {
    TrafficLogModel model;
    int insertions = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    for (TrafficRow& row : ScriptedSession())
        model.Append(std::move(row));
    EXPECT_EQ(model.rowCount(), 0) << "rows join the table on the next event-loop turn";
    QCoreApplication::processEvents();
    EXPECT_EQ(insertions, 1) << "one insertion per batch";

    const QString hartReply = "HART short slave-to-master, address 80 (primary master, poll "
                              "address 0), command 0 read unique identifier, byte count 14, "
                              "response 0, device status 00, manufacturer 38 (0x26), "
                              "device type 6 (0x06), device id 1193046 (0x123456), checksum ";
    const QString hartRequest = "HART short master-to-slave, address 80 (primary master, poll "
                                "address 0), command 0 read unique identifier, byte count 0, "
                                "checksum ok";
    const QString replyHex = "FF FF 06 80 00 0E 00 00 FE 26 06 05 07 01 01 01 08 12 34 56 ";
    const std::vector<QStringList> expected = {
        {"02:00:00.000", "TX", "51 51 51 23 51 56 23", "QQQ#QV#", "communication query", ""},
        {"02:00:00.120", "RX", "51 56 3A 31", "QV:1", "reply to communication query", "118"},
        {"02:00:00.230", "RX", "31", "1", "text reply", ""},
        {"02:00:01.000", "TX", "FF FF 02 80 00 00 82", ".......", hartRequest, ""},
        {"02:00:01.290", "RX", replyHex + "2D", ".........&........4V-", hartReply + "ok", "288"},
        {"02:00:02.000", "TX", "FF FF 02 80 00 00 82", ".......", hartRequest, ""},
        {"02:00:02.301", "RX", replyHex + "2C", ".........&........4V,", hartReply + "bad", "300"},
        {"02:00:03.000", "TX", "01 03 00 00 00 02 C4 0B", "........",
         "MODBUS slave 1, read holding registers (3), start 0, count 2, CRC ok", ""},
        {"02:00:03.045", "RX", "01 83 02 C0 F1", ".....",
         "MODBUS slave 1, read holding registers (3), exception 2 illegal data address, CRC ok",
         "44"},
        {"02:00:04.000", "TX", "01 03 00 00 00 02 C4 0B", "........",
         "MODBUS slave 1, read holding registers (3), start 0, count 2, CRC ok", ""},
        {"02:00:04.040", "RX", "01 03 04 41 C8 00 00 6F F2", "...A...o.",
         "MODBUS slave 1, read holding registers (3), byte count 4, values 0x41C8 0x0000, CRC bad",
         "39"},
        {"02:00:05.000", "TX", "51 51 51 23 51 58 23", "QQQ#QX#", "system parameter query", ""},
        {"02:00:08.000", "", "", "", "no reply after 3000 ms", ""},
        {"02:00:08.100", "", "", "", "chunks dropped under a flood: 12", ""},
        {"02:00:09.000", "", "", "", "port lost", ""},
    };
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(model.columnCount(), 6);
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            EXPECT_EQ(model.data(model.index(r, c)).toString(), expected[r][c])
                << "row " << r << " column " << c;

    model.SetTimeMode(TrafficLogModel::TimeMode::SincePrevious);
    const QStringList sincePrevious = {"+0.000", "+0.120", "+0.110", "+0.770", "+0.290",
                                       "+0.710", "+0.301", "+0.699", "+0.045", "+0.955",
                                       "+0.040", "+0.960", "+3.000", "+0.100", "+0.900"};
    for (int r = 0; r < model.rowCount(); ++r)
        EXPECT_EQ(model.data(model.index(r, TrafficLogModel::TimeColumn)).toString(),
                  sincePrevious[r])
            << "row " << r;
}

TEST(TrafficLogModel, KeepsTheNewestRowsWithinItsBound) {
    TrafficLogModel model;
    ASSERT_EQ(model.Capacity(), 100000);
    int insertions = 0;
    int removals = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&] { ++removals; });
    int appended = 0;
    const auto batch = [&](int rows) {
        for (int i = 0; i < rows; ++i, ++appended)
            model.Append(Note(appended, TrafficRowKind::Note, QString::number(appended)));
        QCoreApplication::processEvents();
    };
    struct Step {
        int rows;
        int removals;     // removals so far, each of one block
        qint64 discarded; // older rows discarded so far
    };
    const std::vector<Step> steps = {
        {60000, 0, 0}, {60000, 1, 20000}, {100005, 2, 120005}, // larger than the bound on its own
    };
    for (const Step& s : steps) {
        batch(s.rows);
        EXPECT_EQ(model.rowCount(), std::min(appended, 100000)) << appended;
        EXPECT_EQ(removals, s.removals) << appended;
        EXPECT_EQ(model.Discarded(), s.discarded) << appended;
        EXPECT_EQ(model.Row(0).meaning, QString::number(appended - model.rowCount()));
        EXPECT_EQ(model.Row(model.rowCount() - 1).meaning, QString::number(appended - 1));
    }
    EXPECT_EQ(insertions, 3);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Discarded(), 0);
}

// Runs python3 over `script` with the arguments; its standard output.
QByteArray RunPython(const QString& script, const QStringList& arguments) {
    QProcess python;
    python.start("python3", QStringList{"-c", script} + arguments);
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return python.readAllStandardOutput();
}

// Reads CSV files with Python's csv module and prints each as JSON: the rows of fields, with
// the time column replaced by its milliseconds since the epoch as Python reads the ISO text.
const QString CsvToJson = R"(
import csv, json, sys
from datetime import datetime
out = []
for path in sys.argv[1:]:
    with open(path, newline='', encoding='utf-8') as f:
        rows = list(csv.reader(f, strict=True))
    for row in rows[1:]:
        row[0] = round(datetime.fromisoformat(row[0]).timestamp() * 1000)
    out.append(rows)
print(json.dumps(out))
)";

TEST(TrafficLogFile, CsvReadsBackWithPythonsCsvModule) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TrafficLogModel model;
    TrafficRecorder recorder(model);
    const QString recorded = dir.filePath("recorded.csv");
    const QString saved = dir.filePath("saved.csv");
    QString error;
    ASSERT_TRUE(recorder.Start(recorded, &error)) << error.toStdString();

    std::vector<TrafficRow> rows = ScriptedSession();
    rows.push_back(Note(9500, TrafficRowKind::Note, "a \"quoted\", two-line\r\nnote"));
    rows.push_back(Chunk(9600, TrafficRowKind::Received, "\"a,b\"\n"));
    const std::size_t firstBatch = 5;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        model.Append(rows[i]);
        if (i + 1 == firstBatch) {
            QCoreApplication::processEvents();
            // Flushed per batch: the file holds the header and the batch while recording.
            QFile file(recorded);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll().count("\r\n"), static_cast<qsizetype>(firstBatch + 1));
        }
    }
    QCoreApplication::processEvents();
    ASSERT_TRUE(TrafficLogFile::Save(model, saved, TrafficLogFormat::Csv, &error))
        << error.toStdString();

    const QJsonArray files =
        QJsonDocument::fromJson(RunPython(CsvToJson, {saved, recorded})).array();
    ASSERT_EQ(files.size(), 2);
    for (const auto& file : files) {
        const QJsonArray lines = file.toArray();
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(rows.size() + 1));
        const QJsonArray header = lines[0].toArray();
        for (int c = 0; c < TrafficLogModel::ColumnCount; ++c)
            EXPECT_EQ(header[c].toString(), TrafficLogModel::ColumnTitle(c));
        for (int r = 0; r < model.rowCount(); ++r) {
            const QJsonArray fields = lines[r + 1].toArray();
            ASSERT_EQ(fields.size(), TrafficLogModel::ColumnCount) << r;
            EXPECT_EQ(fields[0].toInteger(), model.Row(r).msecsSinceEpoch) << r;
            for (int c = 1; c < TrafficLogModel::ColumnCount; ++c)
                EXPECT_EQ(fields[c].toString(), model.CellText(r, c)) << r << ' ' << c;
        }
    }
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readLine().endsWith("\r\n"));
    EXPECT_TRUE(file.readLine().startsWith("2026-12-10T02:00:00.000+02:00,TX,"));
}

TEST(TrafficLogFile, AlignedTextLinesUpItsColumns) {
    const QString text = TrafficLogFile::AlignedText({{"Time", "Dir", "Meaning"},
                                                      {"02:00:00.000", "TX", "communication query"},
                                                      {"x", "", "y"}});
    EXPECT_EQ(text, "Time          Dir  Meaning\n"
                    "02:00:00.000  TX   communication query\n"
                    "x                  y\n");
}

} // namespace

// One application object for the whole program (the model batches on its event loop), gone
// before the program's statics.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
