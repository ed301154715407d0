#pragma once
// A receive path over a fresh main-window model, with a clock that records what it was asked.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <QString>

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
    Nav nav;
    NAV_FORM form{nav};
    FakeClock clock;
    Receiver rx{nav, form, &clock};
};

class DecoderTest : public ::testing::Test, protected Decoding {
protected:
    DecoderTest() : Decoding("0") {}
    // Feeds lines as received, each ended in CR LF unless it already has a line end.
    void Feed(const QString& text) { rx.AssembleLines(text); }
    void Line(const QString& sentence) { rx.AssembleLines(sentence + QStringLiteral("\r\n")); }
};

} // namespace velsor::testing
