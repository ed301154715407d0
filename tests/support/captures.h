#pragma once
// The real receiver captures under tests/data/nmea, in a stable order, and the shared ones; a
// file's bytes, none when it cannot be read.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

namespace velsor::testing {

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QStringList CaptureFiles(const QString& dataDir) {
    QStringList files;
    QDirIterator it(dataDir + QStringLiteral("/nmea"), {QStringLiteral("*.log")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// The shared captures beside the clone: nmea/ and nmea-gnss/.
inline QString SharedDataDir() {
    const QByteArray env = qgetenv("VELSOR_SHARED_DATA");
    return env.isEmpty() ? QStringLiteral(VELSOR_SHARED_DATA) : QString::fromLocal8Bit(env);
}

} // namespace velsor::testing
