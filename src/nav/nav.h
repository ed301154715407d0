#pragma once
// Module NAV: the state shared by the decoders, the main window, the timers, recording and
// replay. One instance lives for the whole run; everything starts empty or 0.

#include "nav/date_value.h"
#include "nav/gnss.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace velsor {

inline constexpr double kPi = 3.141592653589793;

struct Nav {
    // Receiver state.
    QString TunerType; // "0" FURUNO GT-74/77, "1" I-O DATA CFGPS, "2" any NMEA 0183 by fields
    QString FixMode;   // "3D", "2D" or "--"
    std::int16_t SatsInView = 0;
    std::int16_t SatsInUse = 0;
    DateValue UtcDate = 0;
    DateValue JstDateTime = 0;
    // For setting the PC clock, only what checksums vouch for: the last date sentence's own
    // UTC date and time (0: none, or one without a time), and the JST moment of the last GGA
    // with its day taken from that sentence (0: none within a few seconds of it).
    DateValue UtcDateStamp = 0;
    DateValue JstClockTime = 0;
    std::int16_t ClockSetDone = 0; // 0: start-up clock correction pending
    std::int16_t ClockSetWait = 0; // Timer2 ticks since connecting
    std::array<QString, 8> UsedSatNo;
    std::int16_t RxActivityCount = 0; // reception-lamp countdown
    std::int16_t SkyCenterX = 0, SkyCenterY = 0, SkyRadius = 0;
    double Pi = kPi;

    // Receive path. RxBuffer[1] is the line being assembled; RxBuffer[0] the rest of a
    // sentence after the last field taken. RxDiscarding is set while the rest of an over-long
    // line is skipped.
    std::array<QString, 2> RxBuffer;
    bool RxDiscarding = false;
    // Last sentence of each kind without CR LF: GGA, GSA, GSV 1, GSV 2, ZDA or RMC.
    std::array<QString, 5> RawSentence;
    // Satellites and fix decoded by fields (TunerType "2"); untouched by the other models.
    GnssState Gnss;
    // Line speed for TunerType "2", from the settings file.
    int Baud = 9600;

    // Settings. The tuner's port is COM1 to COM6 by number ("1".."6"), or, when
    // CommPortName is set, a port of this machine by its system name ("COM12", "/dev/ttyUSB0").
    QString CommPortNo;
    QString CommPortName;
    // The forwarding port number last typed in its dialog; not saved.
    QString ForwardPortNo;

    // Recording and the reception history.
    std::int16_t RecordingOn = 0;
    QString RecordFile;
    std::int16_t HistoryLogOn = 0;
    std::int16_t HourlySetDone = 0;

    // Replay: the snapshots of the file being replayed, five lines each, stored as read.
    // Blocks 0..kReplayBlocks, the last one spare; all empty when no file is loaded.
    static constexpr int kReplayBlocks = 3360;
    std::vector<std::array<QString, 5>> ReplayLine =
        std::vector<std::array<QString, 5>>(kReplayBlocks + 1);
    // A recording of whole epochs (TunerType "2") is kept apart: its snapshots' lines one after
    // another as read (a byte a character, each ended by LF), and where each snapshot begins;
    // ReplayAt[b + 1] is where snapshot b ends. Both empty for a file of five-line blocks.
    QByteArray ReplayText;
    std::vector<qsizetype> ReplayAt;
    QString ReplayFile;
    std::int16_t ReplayCount = 0; // index of the last block loaded
};

} // namespace velsor
