#pragma once
// The graph window's model on fake dialogs and an event pump that can run a user action in
// the middle of a load or drawing, with real files in a temporary folder.

#include "history_graph/frm_graph.h"
#include "support/fakes.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <vector>

namespace velsor::testing {

// Runs the queued actions, one per turn of the event loop (an empty one is a quiet turn), as clicks
// arriving while a long load or drawing lets events through.
class ScriptedEvents : public FakeProgram {
public:
    std::vector<std::function<void()>> actions;
    void ProcessEvents() override {
        ++eventPasses;
        if (actions.empty())
            return;
        auto next = std::move(actions.front());
        actions.erase(actions.begin());
        if (next)
            next();
    }
};

struct GraphRig {
    GraphRig() {
        EnsureCoreApp();
        graph.yieldIntervalMs = 0; // a turn of the loop at every chance
        graph.Form_Load();
    }
    QString Write(const QString& name, const QByteArray& content) {
        const QString path = QDir(dir.path()).filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    void Open(const QString& path) {
        dialogs.files.push_back(path);
        graph.Mnu_File_Open_Click();
    }
    // Records "i,24/05/06 hh:mm,used,view,fix" for i = 0 .. count-1.
    static QByteArray Records(int count, int used = 5, int view = 8, int fix = 3) {
        QByteArray out;
        for (int i = 0; i < count; ++i) {
            out += QStringLiteral("%1,24/05/%2 %3:%4,%5,%6,%7\r\n")
                       .arg(i % 20)
                       .arg(6 + i / 480, 2, 10, QLatin1Char('0'))
                       .arg(i / 20 % 24, 2, 10, QLatin1Char('0'))
                       .arg(i % 20 * 3, 2, 10, QLatin1Char('0'))
                       .arg(used)
                       .arg(view)
                       .arg(fix)
                       .toLatin1();
        }
        return out;
    }

    QTemporaryDir dir;
    FakeDialogs dialogs;
    ScriptedEvents events;
    frmGraph graph{dialogs, events};
};

} // namespace velsor::testing
