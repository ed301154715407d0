#pragma once
// A command-line program run to its end as from a bare shell: no display, no session.

#include <QProcess>
#include <QStringList>

namespace velsor::testing {

struct ToolRun {
    int code; // -1 when it crashed or did not end
    QByteArray out, err;
};

inline ToolRun RunTool(const QString& path, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(path, args);
    p.waitForFinished(30000);
    const bool ended = p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace velsor::testing
