#pragma once
// The satellites' marks on a sky picture, one text each ("caption x,y colour bold"), for
// comparing what two decodings drew.

#include "nav/controls.h"
#include "nav/display_list.h"

#include <QJsonArray>
#include <QString>

namespace velsor::testing {

inline QJsonArray SkyMarks(const PictureBox& sky) {
    QJsonArray marks;
    for (const DrawOp& op : sky.ops) {
        if (op.kind == DrawOp::Kind::Mark)
            marks.append(QStringLiteral("%1 %2,%3 %4 %5")
                             .arg(op.text)
                             .arg(op.x1)
                             .arg(op.y1)
                             .arg(ColorText(op.color))
                             .arg(op.bold));
    }
    return marks;
}

} // namespace velsor::testing
