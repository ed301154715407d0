// Command line of velsor-sim.
#pragma once

#include "nmea_sim.h"
#include "sharing/share_option.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace velsor::sim {

struct Options {
    QString device; // may be empty when the sentences are shared over TCP
    std::optional<velsor::sharing::ShareEndpoint> share;
    Tuner tuner = Tuner::Gt74;
    int baud = 0; // the model's own speed once parsed
    FixSchedule schedule;
    QString replayFile; // empty: generate sentences
    std::optional<int> seconds;
    std::uint64_t seed = 1;
    std::optional<Sector> blocked;
    bool help = false;
};

struct ParseResult {
    std::optional<Options> options; // set on success
    QString error;                  // one line, set on failure
};

// `arguments` as main() gets them, program name first.
ParseResult parseArguments(const QStringList& arguments);

QString helpText();

// "AZ1-AZ2" or "AZ1-AZ2:ELMAX", degrees; empty on a malformed text.
std::optional<Sector> parseSector(const QString& text);

} // namespace velsor::sim
