#pragma once
// The running program: where it lives, how it was started, the one-instance rule, the event
// pump and the system information tool.

#include <QString>

namespace velsor::platform {

class Program {
public:
    virtual ~Program() = default;
    // The folder that holds the executable.
    virtual QString Directory() const = 0;
    // The arguments after the program name, joined by blanks.
    virtual QString CommandLine() const = 0;
    // True when another instance holds the lock; otherwise this one takes it.
    virtual bool AnotherInstanceRunning() = 0;
    // Processes pending window events once.
    virtual void ProcessEvents() = 0;
    // Ends the program at once.
    virtual void Exit() = 0;
    // True once Exit() was asked for. Work that lets events in (a long load) looks at it at
    // every turn and stops, since the quit may have come in through that turn.
    virtual bool ExitRequested() const { return false; }
    // Starts the system information tool; false when there is none.
    virtual bool StartSystemInfo() = 0;
};

} // namespace velsor::platform
