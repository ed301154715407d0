#pragma once
// Recording files for replay tests, written from a short description: "S" the start line,
// "3" three complete snapshots, "p2" a snapshot cut after two lines, "X" a stop line. Each
// snapshot's GGA carries its own number in the time field, so a test can tell blocks apart.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTime>

namespace velsor::testing {

// Snapshot n of a GT-74/77 recording, five lines without line ends.
inline QStringList Snapshot(int n) {
    const QString t = QTime::fromMSecsSinceStartOfDay(n % 86400 * 1000).toString(u"hhmmss");
    return {
        QStringLiteral("$GPGGA,%1,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00").arg(t),
        QStringLiteral("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"),
        QStringLiteral("$GPGSV,2,1,05,04,45,090,47,05,30,180,42,12,10,200,30,17,60,300,45*00"),
        QStringLiteral("$GPGSV,2,2,05,20,05,100,20*00"),
        QStringLiteral("$GPZDA,%1,06,12,2026,00,00*00").arg(t),
    };
}

inline const QString kStartLine = QStringLiteral("2026/12/06 21:04:00(JST) Started.");
inline const QString kStopLine = QStringLiteral("2026/12/07 9:00:00(JST) Stopped.");

inline QByteArray RecordingText(const QString& description) {
    QByteArray out;
    int n = 0;
    for (const QString& word : description.split(u' ', Qt::SkipEmptyParts)) {
        QStringList lines;
        if (word == u"S") {
            lines << kStartLine;
        } else if (word == u"X") {
            lines << kStopLine;
        } else if (word.startsWith(u'p')) {
            lines = Snapshot(n++).mid(0, word.mid(1).toInt());
        } else {
            for (int i = word.toInt(); i > 0; --i)
                lines << Snapshot(n++);
        }
        for (const QString& l : lines)
            out += l.toLatin1() + "\r\n";
    }
    return out;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace velsor::testing
