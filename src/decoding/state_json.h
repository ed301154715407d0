#pragma once
// One JSON object with the receiver state and the decoded display fields; the output format of
// velsor-decode.

#include "main_window/nav_form.h"
#include "nav/nav.h"

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace velsor {

// The fix and the satellites as the window shows them, whichever model decoded them: the
// "fix" object of the JSON, and what the reception analysis samples at each epoch.
struct FixSnapshot {
    QByteArray utc;                      // ISO 8601 UTC with milliseconds; empty: none
    std::optional<double> lat, lon, alt; // degrees, south and west negative; metres
    int mode = 1, used = 0, inView = 0;  // 1 no fix, 2 2D, 3 3D
    std::vector<GnssSatellite> sats;
};
FixSnapshot FixOf(const Nav& nav, const NAV_FORM& form);

// Appends the object (no trailing newline) to out.
void AppendStateJson(QByteArray& out, const Nav& nav, const NAV_FORM& form, std::uint64_t line,
                     QStringView type);

} // namespace velsor
