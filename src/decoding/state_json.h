#pragma once
// One JSON object with the receiver state and the decoded display fields; the output format of
// velsor-decode.

#include "main_window/nav_form.h"
#include "nav/nav.h"

#include <QByteArray>
#include <QStringView>

#include <cstdint>

namespace velsor {

// Appends the object (no trailing newline) to out.
void AppendStateJson(QByteArray& out, const Nav& nav, const NAV_FORM& form, std::uint64_t line,
                     QStringView type);

} // namespace velsor
