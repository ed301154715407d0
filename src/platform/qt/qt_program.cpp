#include "platform/qt/qt_program.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cstdlib>

#ifdef Q_OS_WIN
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#else
#include <unistd.h>
#endif

namespace velsor::platform {

QtProgram::QtProgram() : QtProgram(DefaultLockPath()) {}

QtProgram::QtProgram(QString path) : lockPath(std::move(path)) {}

QtProgram::~QtProgram() = default;

QString QtProgram::DefaultLockPath() {
#ifdef Q_OS_WIN
    const QString user = qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#else
    const QString user = QString::number(::getuid());
#endif
    return QDir(QDir::tempPath()).filePath(QStringLiteral("velsor-gps-analyzer-%1.lock").arg(user));
}

QString QtProgram::Directory() const {
    return QCoreApplication::applicationDirPath();
}

QString QtProgram::CommandLine() const {
    return QCoreApplication::arguments().mid(1).join(u' ');
}

bool QtProgram::AnotherInstanceRunning() {
    if (lock)
        return false; // this instance holds it
    auto l = std::make_unique<QLockFile>(lockPath);
    // Only a holder that is gone makes the lock stale, however long the other one has run.
    l->setStaleLockTime(0);
    if (l->tryLock(0)) {
        lock = std::move(l);
        return false;
    }
    // A folder that cannot take the lock says nothing about other instances.
    return l->error() == QLockFile::LockFailedError;
}

void QtProgram::ProcessEvents() {
    QCoreApplication::processEvents();
}

void QtProgram::Exit() {
    exitRequested = true;
    if (!QCoreApplication::instance())
        std::exit(0);
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
    }
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

bool QtProgram::StartSystemInfo() {
#ifdef Q_OS_WIN
    const QSettings tool(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
        QSettings::NativeFormat);
    QString path = tool.value(QStringLiteral("PATH")).toString();
    if (path.isEmpty()) {
        const QSettings location(
            QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location"),
            QSettings::NativeFormat);
        const QString folder = location.value(QStringLiteral("MSINFO")).toString();
        if (folder.isEmpty())
            return false;
        path = folder + QStringLiteral("\\MSINFO32.EXE");
        if (!QFileInfo::exists(path))
            return false;
    }
    return QProcess::startDetached(path, {});
#else
    return false;
#endif
}

} // namespace velsor::platform
