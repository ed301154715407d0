#pragma once
// The --share-nmea [ADDRESS:]PORT option: where the NMEA server listens, and how the option is
// taken out of the command line before anything else reads it.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velsor::sharing {

inline constexpr quint16 kDefaultSharePort = 10110; // registered for NMEA 0183 over TCP
inline constexpr const char* kShareOption = "--share-nmea";

struct ShareEndpoint {
    QString host; // an IP address or a host name; "127.0.0.1" when none was named
    quint16 port = kDefaultSharePort;
    bool hostNamed = false; // the user named an address, so other machines may reach it
};

// Reads "[ADDRESS:]PORT": "" and ":" give the default port on loopback, "10110" a port on
// loopback, "0.0.0.0:10110", "gps-host:" or "[::1]:10110" a named address. Nullopt when the
// text is not of that form or the port is not 1 to 65535.
std::optional<ShareEndpoint> ParseShareValue(const QString& text);

struct ShareArguments {
    QStringList rest;                      // the arguments without the option and its value
    bool requested = false;                // the option appeared
    std::optional<ShareEndpoint> endpoint; // set when requested and well formed
    QString badValue;                      // the value that could not be read
    std::vector<qsizetype> takenAt;        // positions of the option and its value
};

// Takes "--share-nmea VALUE" or "--share-nmea=VALUE" out of the arguments (without the program
// name). The value is always the next argument, whatever it holds, so an address such as
// "LOGGER:10110" never reaches the text searched for the words FW, LOG and REPLAY. The last
// occurrence wins.
ShareArguments TakeShareOption(const QStringList& arguments);
// The same on main()'s arguments (program name first): what is taken leaves `argv`.
ShareArguments TakeShareOption(std::vector<char*>& argv);

// Address and port as a user writes them: "127.0.0.1:10110", "[::1]:10110".
QString EndpointText(const QString& host, quint16 port);

// The reception lamp's tooltip while sharing.
QString SharingToolTip(const QString& host, quint16 port, int clients);

// The message when the option's value cannot be read.
QString BadValueMessage(const QString& value);

} // namespace velsor::sharing
