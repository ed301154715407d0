#pragma once
// What the third receiver model decodes by fields: every satellite in view over all systems,
// and the fix. Fixed-size, so that no input can make it grow.

#include <array>
#include <cstdint>

namespace velsor {

enum class GnssSystem : std::uint8_t { GPS, GLONASS, Galileo, BeiDou, QZSS, SBAS, NavIC, None };

// "GPS", "GLONASS", ...; "" for None.
const char* SystemName(GnssSystem s);
// The letter shown before a satellite number: G R E C J S I.
char16_t SystemLetter(GnssSystem s);

struct GnssSatellite {
    GnssSystem system = GnssSystem::None;
    std::uint16_t prn = 0; // the system's own number (GLONASS slot, SBAS PRN 120-158, ...)
    std::int16_t el = -1;  // degrees; -1 unknown
    std::int16_t az = -1;  // degrees; -1 unknown
    std::int16_t snr = -1; // dB-Hz; -1 unknown
    bool used = false;
};

struct GnssState {
    // Far more than any sky holds (a four-system receiver sees about 40).
    static constexpr int kMaxSatellites = 100;
    std::array<GnssSatellite, kMaxSatellites> sats{};
    int satCount = 0;
    int usedCount = 0;

    int mode = 1; // 1 no fix, 2 2D, 3 3D
    bool hasPosition = false;
    double lat = 0, lon = 0;          // degrees, south and west negative
    bool hasAltitude = false;         // with the position, when the fix sentence gives it
    double altitude = 0;              // metres above mean sea level
    int timeMs = -1;                  // UTC time of day of the last fix sentence, -1 none
    int year = 0, month = 0, day = 0; // last UTC date received, year 0 none
    int dateTimeMs = -1;              // the date sentence's own time of day, -1 none
};

// The UTC day timeMs belongs to (days since 1899-12-30), 0 without a date: the last date,
// or the day after or before when the date sentence's own time lies across midnight from it
// (a date sentence of 23:59:59 before the fix of 00:00:00).
double FixDay(const GnssState& g);

} // namespace velsor
