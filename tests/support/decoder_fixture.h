#pragma once
// A receive path over a fresh main-window model, with a clock that records what it was asked.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <QString>

namespace velsor::testing {

// The same outside a fixture, for cases that each need a fresh model.
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

class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() {
        nav.TunerType = QStringLiteral("0");
        form.PrepareDisplay();
    }
    // Feeds lines as received, each ended in CR LF unless it already has a line end.
    void Feed(const QString& text) { rx.AssembleLines(text); }
    void Line(const QString& sentence) { rx.AssembleLines(sentence + QStringLiteral("\r\n")); }

    Nav nav;
    NAV_FORM form{nav};
    FakeClock clock;
    Receiver rx{nav, form, &clock};
};

} // namespace velsor::testing
