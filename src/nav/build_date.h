#pragma once
// The day this program was built, a floor for the PC clock: no receiver tells a true date
// before it (one past a GPS week rollover tells dates 1024 weeks back).

#include "nav/date_value.h"

#include <QDate>

namespace velsor {

// The UTC day of the build, as CMake gave it.
QDate BuildDate();
// Whether the PC clock may be set to this JST moment: its UTC day is not before the build.
bool ClockMomentPlausible(DateValue jst);

} // namespace velsor
