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

#include <tuple>
#include <vector>

namespace velsor::testing {

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
    // The picture as comparable rows.
    std::vector<std::tuple<double, double, double, double, QString>> Picture() const {
        std::vector<std::tuple<double, double, double, double, QString>> out;
        for (const DrawOp& op : graph.Picture1.ops)
            out.emplace_back(op.x1, op.y1, op.x2, op.y2, ColorText(op.color) + op.text);
        return out;
    }
    // A record every three minutes from 24/05/06 00:00: "slot,yy/mm/dd hh:mm,used,view,fix".
    static QByteArray Records(int count, int used = 5, int view = 8, int fix = 3) {
        QByteArray out;
        QDateTime t(QDate(2024, 5, 6), QTime(0, 0));
        for (int i = 0; i < count; ++i, t = t.addSecs(180))
            out += QStringLiteral("%1,%2,%3,%4,%5\r\n")
                       .arg(i % 20)
                       .arg(t.toString(u"yy/MM/dd HH:mm"))
                       .arg(used)
                       .arg(view)
                       .arg(fix)
                       .toLatin1();
        return out;
    }

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeProgram events; // runs a planned action at a yield
    frmGraph graph{dialogs, events};
};

} // namespace velsor::testing
