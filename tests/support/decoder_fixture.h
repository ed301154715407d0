#pragma once
// A receive path over a fresh main-window model, with a clock that records what it was asked.

#include "decoding/receiver.h"
#include "decoding/state_json.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <ostream>

// Failures print texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace velsor::testing {

// A fresh model on its receive path; cases that each need a fresh one make their own.
struct Decoding {
    explicit Decoding(const char* tuner) {
        nav.TunerType = QString::fromLatin1(tuner);
        form.PrepareDisplay();
    }
    // The "fix" object of velsor-decode's JSON.
    QJsonObject Fix() const {
        QByteArray out;
        AppendStateJson(out, nav, form, rx.linesDispatched, rx.lastType);
        return QJsonDocument::fromJson(out).object()[u"fix"].toObject();
    }
    // The table's first n rows: number, elevation, azimuth, "*" when shown as used.
    QString Rows(int n) const {
        QStringList rows;
        for (int i = 0; i < n; ++i)
            rows << form.Label6[i].caption + u' ' + form.Label9[i].caption + u' ' +
                        form.Label10[i].caption + (form.Label6[i].bold ? u"*"_qs : QString());
        return rows.join(u" | ");
    }
    // The satellite marks on the sky plot.
    int Marks() const {
        int n = 0;
        for (const DrawOp& op : form.Picture1.ops)
            n += op.kind == DrawOp::Kind::Mark ? 1 : 0;
        return n;
    }
    Nav nav;
    NAV_FORM form{nav};
    FakeClock clock;
    Receiver rx{nav, form, &clock};
};

class DecoderTest : public ::testing::Test, protected Decoding {
protected:
    DecoderTest() : Decoding("0") {}
    // Text as received; one sentence ended in CR LF.
    void Feed(const QString& text) { rx.AssembleLines(text); }
    void Line(const QString& sentence) { rx.AssembleLines(sentence + QStringLiteral("\r\n")); }
};

} // namespace velsor::testing
