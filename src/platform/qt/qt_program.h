#pragma once
// The running program on Qt: its folder and command line, the one-instance lock, the event
// pump, ending, and the system information tool (Windows only).

#include "platform/program.h"

#include <QString>

#include <memory>

class QLockFile;

namespace velsor::platform {

class QtProgram : public Program {
public:
    // The lock is a file in the temporary folder, one per user.
    QtProgram();
    explicit QtProgram(QString lockPath);
    ~QtProgram() override;

    QString Directory() const override;
    QString CommandLine() const override;
    // Takes the lock when it is free or left behind by an instance that died.
    bool AnotherInstanceRunning() override;
    void ProcessEvents() override;
    // Hides every window and ends the event loops; the process then leaves main with status
    // 0. Asked before the main loop runs, it makes that loop end at once, and main should
    // look at ExitRequested() before going on.
    void Exit() override;
    bool StartSystemInfo() override;

    bool ExitRequested() const override { return exitRequested; }
    static QString DefaultLockPath();

private:
    QString lockPath;
    std::unique_ptr<QLockFile> lock;
    bool exitRequested = false;
};

} // namespace velsor::platform
