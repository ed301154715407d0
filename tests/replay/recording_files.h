#pragma once
// Recording files for replay tests, written from a short description: "S" the start line,
// "3" three complete snapshots, "p2" a snapshot cut after two lines, "X" a stop line; of the
// by-fields model, "e3" three snapshots of whole epochs, "c4" one cut after its header and three
// more lines, "l3" three five-line blocks as it wrote them before, "h3000" a header of 3000 lines
// and as many, "g3000" a GGA and 3000 lines after it, "w" a snapshot with a line of 2000
// characters. Each snapshot's GGA carries its own number in the time field, so a test can tell
// blocks apart.

#include "support/fakes.h"

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

// Snapshot n of the by-fields model as a receiver of today sends it: eight sentences, three
// systems, 6 satellites (4 used).
inline QStringList EpochSnapshot(int n) {
    const QString t = QTime::fromMSecsSinceStartOfDay(n % 86400 * 1000).toString(u"hhmmss");
    QStringList lines;
    for (const QString& body : {
             QStringLiteral("GNRMC,%1.00,A,3541.12340,N,13945.67890,E,0.0,,061226,,,A").arg(t),
             QStringLiteral("GNGGA,%1.00,3541.12340,N,13945.67890,E,1,04,1.0,10.0,M,,M,,").arg(t),
             QStringLiteral("GNGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0,1"),
             QStringLiteral("GNGSA,A,3,70,,,,,,,,,,,,1.0,1.0,1.0,2"),
             QStringLiteral("GPGSV,2,1,05,04,45,090,47,05,30,180,42,12,10,200,30,17,60,300,45,1"),
             QStringLiteral("GPGSV,2,2,05,20,05,100,20,1"),
             QStringLiteral("GLGSV,1,1,01,70,20,100,33,1"),
             QStringLiteral("GAGSV,1,1,01,11,35,250,38,7"),
         })
        lines << WithChecksum(body.toLatin1().constData());
    return lines;
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
        } else if (word.startsWith(u'e')) {
            for (int i = word.mid(1).toInt(); i > 0; --i)
                lines << QStringLiteral("#SNAPSHOT,8") << EpochSnapshot(n++);
        } else if (word.startsWith(u'c')) {
            lines << QStringLiteral("#SNAPSHOT,8")
                  << EpochSnapshot(n++).mid(0, word.mid(1).toInt() - 1);
        } else if (word.startsWith(u'l')) {
            for (int i = word.mid(1).toInt(); i > 0; --i) { // GGA, GSA, two GPS GSVs, RMC
                const QStringList e = EpochSnapshot(n++);
                lines << e[1] << e[2] << e[4] << e[5] << e[0];
            }
        } else if (word.startsWith(u'h') || word.startsWith(u'g')) {
            const QStringList e = EpochSnapshot(n++);
            const int count = word.mid(1).toInt();
            if (word[0] == u'h')
                lines << QStringLiteral("#SNAPSHOT,%1").arg(count) << e[0];
            lines << e[1];
            for (int i = lines.size(); i <= count; ++i)
                lines << e[4];
        } else if (word == u"w") {
            lines << QStringLiteral("#SNAPSHOT,9") << EpochSnapshot(n++)
                  << (u'$' + QString(2000, u'x'));
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
