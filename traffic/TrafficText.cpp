#include "traffic/TrafficText.h"

#include <QDateTime>

#include <cstdlib>

QString HexPairsText(const QByteArray& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i)
            text += QLatin1Char(' ');
        text += QLatin1Char(digits[b >> 4]);
        text += QLatin1Char(digits[b & 0x0F]);
    }
    return text;
}

QString PrintableText(const QByteArray& bytes) {
    QString text(bytes.size(), QLatin1Char('.'));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x20 && b <= 0x7E)
            text[i] = QLatin1Char(static_cast<char>(b));
    }
    return text;
}

QString DirectionText(TrafficRowKind kind) {
    switch (kind) {
    case TrafficRowKind::Sent:
        return QStringLiteral("TX");
    case TrafficRowKind::Received:
        return QStringLiteral("RX");
    default:
        return {};
    }
}

QString ClockText(qint64 msecsSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString SincePreviousText(qint64 msecs) {
    const qint64 magnitude = std::llabs(msecs);
    return QStringLiteral("%1%2.%3")
        .arg(msecs < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString IsoTimeText(qint64 msecsSinceEpoch) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString RoundTripText(int roundTripMs) {
    return roundTripMs < 0 ? QString() : QString::number(roundTripMs);
}
