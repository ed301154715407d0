#pragma once
// Where the fields of one $GPGSV satellite slot stand. Each satellite is a 13-character block
// ",nn,ee,aaa,ss"; the first block starts one position later when the satellites-in-view count
// has two digits (GT-74/77) than when it has one (CFGPS). Positions are 1-based ("$" is 1).

#include <QStringView>

namespace velsor::gsv {

inline constexpr int kSlotWidth = 13;
inline constexpr int kSlotsPerMessage = 4;
// Start positions with offset 0, slot 0.
inline constexpr int kBefore = 13;    // the character before the satellite number
inline constexpr int kNumber = 14;    // 2 characters
inline constexpr int kElevation = 17; // 2 characters
inline constexpr int kAzimuth = 20;   // 3 characters
inline constexpr int kSnr = 24;       // 2 characters

// 1 for the GT-74/77 ("0"), 0 for the CFGPS ("1") and anything else.
inline int Offset(QStringView tunerType) {
    return tunerType == u"0" ? 1 : 0;
}

// Start position of a field in slot j.
inline constexpr int Pos(int field, int offset, int j) {
    return field + offset + kSlotWidth * j;
}

} // namespace velsor::gsv
