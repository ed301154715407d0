#pragma once
// Fakes for the parts of the outside world a test must not touch: the clock, dialogs and
// message boxes, and the running program.

#include "platform/platform.h"

#include <QDateTime>
#include <QString>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace velsor::testing {

class FakeClock : public platform::Clock {
public:
    QDateTime now = QDateTime(QDate(2024, 1, 1), QTime(12, 0, 0));
    std::vector<QDate> datesSet;
    std::vector<QTime> timesSet;
    bool refuse = false; // as a system without the right to set the clock

    QDateTime Now() const override { return now; }
    // Records the request and moves the fake clock, never the system's.
    bool SetLocalDate(const QDate& d) override {
        datesSet.push_back(d);
        if (!refuse)
            now.setDate(d);
        return !refuse;
    }
    bool SetLocalTime(const QTime& t) override {
        timesSet.push_back(t);
        if (!refuse)
            now.setTime(t);
        return !refuse;
    }
};

struct ShownMessage {
    QString text, title;
    platform::MsgButtons buttons;
    platform::MsgIcon icon;
};

class FakeDialogs : public platform::Dialogs {
public:
    std::vector<ShownMessage> messages;
    std::deque<platform::MsgResult> answers; // Yes/No answers; Ok when empty
    std::deque<QString> files;               // file dialog results; empty = cancelled
    std::vector<platform::FileDialogOptions> fileDialogs;
    int busy = 0;
    // Runs once while the next dialog or message box is up, as events run behind a real
    // modal one (a device that vanishes, a timer tick).
    std::function<void()> whileOpen;

    platform::MsgResult MessageBox(const QString& text, platform::MsgButtons buttons,
                                   platform::MsgIcon icon, const QString& title) override {
        messages.push_back({text, title, buttons, icon});
        RunWhileOpen();
        if (buttons == platform::MsgButtons::Ok || answers.empty())
            return buttons == platform::MsgButtons::Ok ? platform::MsgResult::Ok
                                                       : platform::MsgResult::No;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    QString SaveFile(const platform::FileDialogOptions& o) override { return Next(o); }
    QString OpenFile(const platform::FileDialogOptions& o) override { return Next(o); }
    void SetBusyPointer(bool b) override { busy += b ? 1 : -1; }

private:
    void RunWhileOpen() {
        if (auto f = std::exchange(whileOpen, nullptr))
            f();
    }
    QString Next(const platform::FileDialogOptions& o) {
        fileDialogs.push_back(o);
        RunWhileOpen();
        if (files.empty())
            return QString();
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

// The event pump runs the queued actions, one per turn (an empty one is a quiet turn), as
// clicks arriving while a long load or drawing lets events through.
class FakeProgram : public platform::Program {
public:
    QString directory;
    QString commandLine;
    int exits = 0;
    int eventPasses = 0;
    std::vector<std::function<void()>> actions;

    QString Directory() const override { return directory; }
    QString CommandLine() const override { return commandLine; }
    bool AnotherInstanceRunning() override { return false; }
    void ProcessEvents() override {
        ++eventPasses;
        if (actions.empty())
            return;
        auto next = std::move(actions.front());
        actions.erase(actions.begin());
        if (next)
            next();
    }
    void Exit() override { ++exits; }
    bool ExitRequested() const override { return exits > 0; }
    bool StartSystemInfo() override { return false; }
};

// A sentence with its checksum: "$GPGGA,..." or "GPGGA,..." becomes "$GPGGA,...*hh".
inline QString WithChecksum(const char* sentence) {
    const QByteArray s = sentence[0] == '$' ? QByteArray(sentence) : "$" + QByteArray(sentence);
    char sum = 0;
    for (qsizetype i = 1; i < s.size(); ++i)
        sum ^= s[i];
    return QString::fromLatin1(s) +
           QStringLiteral("*%1")
               .arg(static_cast<unsigned char>(sum), 2, 16, QLatin1Char('0'))
               .toUpper();
}

} // namespace velsor::testing
