#pragma once
// The --source tcp://HOST:PORT option: the receiver is read over TCP instead of the COM port.
// Like --share-nmea it leaves the command line before the words FW, LOG and REPLAY are looked
// for.

#include "sharing/share_option.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velsor::sharing {

inline constexpr const char* kSourceOption = "--source";

struct SourceEndpoint {
    QString host;
    quint16 port = kDefaultSharePort;
};

// Reads "tcp://HOST:PORT", "tcp://HOST" (port 10110) or "tcp://[v6]:PORT"; the scheme in any
// case. Nullopt for anything else, an empty host among them.
std::optional<SourceEndpoint> ParseSourceValue(const QString& text);

struct SourceArguments {
    QStringList rest;                       // the arguments without the option and its value
    bool requested = false;                 // the option appeared
    std::optional<SourceEndpoint> endpoint; // set when requested and well formed
    QString badValue;                       // the value that could not be read
};

// Takes "--source VALUE" or "--source=VALUE" out of main()'s arguments (program name first).
// The value is always the next argument, whatever it holds; the last occurrence wins.
SourceArguments TakeSourceOption(std::vector<char*>& argv);

// The message when the option's value cannot be read; the program then uses the COM port.
QString BadSourceMessage(const QString& value);

} // namespace velsor::sharing
