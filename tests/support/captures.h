#pragma once
// The real receiver captures under tests/data/nmea, in a stable order.

#include <QDir>
#include <QDirIterator>
#include <QStringList>

namespace velsor::testing {

inline QStringList CaptureFiles(const QString& dataDir) {
    QStringList files;
    QDirIterator it(dataDir + QStringLiteral("/nmea"), {QStringLiteral("*.log")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace velsor::testing
