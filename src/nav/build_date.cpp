#include "nav/build_date.h"

#ifndef VELSOR_BUILD_DATE
#error "VELSOR_BUILD_DATE (yyyy-MM-dd) comes from CMake"
#endif

namespace velsor {

QDate BuildDate() {
    static const QDate day = QDate::fromString(QStringLiteral(VELSOR_BUILD_DATE), Qt::ISODate);
    return day;
}

bool ClockMomentPlausible(DateValue jst) {
    return jst != 0 && DatePart(jst - kJstOffset) >= BuildDate();
}

} // namespace velsor
