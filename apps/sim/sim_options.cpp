#include "sim_options.h"

#include <QCommandLineParser>

namespace velsor::sim {

namespace {

std::optional<long long> positiveNumber(const QString& text, long long most) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok || value < 1 || value > most) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<Sector> parseSector(const QString& text) {
    const QStringList main = text.split(u':');
    if (main.size() > 2) {
        return std::nullopt;
    }
    const QStringList range = main[0].split(u'-');
    if (range.size() != 2) {
        return std::nullopt;
    }
    const auto number = [](const QString& t, int most) -> std::optional<int> {
        bool ok = false;
        const int v = t.toInt(&ok);
        if (!ok || v < 0 || v > most || t.startsWith(u'+')) {
            return std::nullopt;
        }
        return v;
    };
    const auto from = number(range[0], 359), to = number(range[1], 359);
    const auto elevation = main.size() == 2 ? number(main[1], 90) : std::optional<int>(90);
    if (!from || !to || !elevation) {
        return std::nullopt;
    }
    return Sector{*from, *to, *elevation};
}

QString helpText() {
    return QStringLiteral(
        "Usage: velsor-sim --device PATH [options]\n"
        "       velsor-sim --share-nmea [ADDRESS:]PORT [--device PATH] [options]\n"
        "\n"
        "Simulated GPS tuner: writes NMEA 0183 sentences to a serial device, or to one end of a\n"
        "pseudo-terminal pair (socat -d -d pty,raw,echo=0,link=A pty,raw,echo=0,link=B), once a\n"
        "second, as the chosen receiver model writes them.\n"
        "\n"
        "  --device PATH        serial device to write to (required unless --share-nmea)\n"
        "  --share-nmea [ADDRESS:]PORT\n"
        "                       also serve the sentences over TCP, as the analyzer does:\n"
        "                       PORT alone (or ':' for 10110) listens on 127.0.0.1 only;\n"
        "                       name an address (0.0.0.0:10110) to let other machines in\n"
        "  --tuner 0|1|2        0: FURUNO GT-74/77, 4800 baud, GGA GSA GSV ZDA (default)\n"
        "                       1: I-O DATA CFGPS, 9600 baud, GGA GSA GSV RMC\n"
        "                       2: a current multi-GNSS receiver (GPS, GLONASS, Galileo,\n"
        "                       BeiDou; 26 to 40 satellites), 115200 baud: GNRMC GNVTG GNGGA\n"
        "                       GNGNS, a GNGSA per system, GPGSV GLGSV GAGSV GBGSV, GNGLL\n"
        "                       GNZDA. At a slower --baud (9600) what does not fit a second\n"
        "                       is dropped: the extras first, then whole GSV groups, of a\n"
        "                       different system each second\n"
        "  --baud B             line speed instead of the model's; bytes leave at B/10 per second\n"
        "  --seed S             seed of the simulated sky (default 1); same seed, same satellites\n"
        "  --nofix-every N --nofix-for M\n"
        "                       the last M of every N seconds without a fix (time and date\n"
        "                       still sent)\n"
        "  --mode2d-every N --mode2d-for M\n"
        "                       the last M of every N seconds with a 2D fix only\n"
        "  --blocked-sector AZ1-AZ2[:ELMAX]\n"
        "                       satellites at azimuth AZ1 to AZ2 (0-359, clockwise, through\n"
        "                       north when AZ1 > AZ2) and elevation up to ELMAX (default 90)\n"
        "                       are reported with SNR 0, as behind a wall\n"
        "  --replay FILE        send FILE instead of generated sentences. The capture is\n"
        "                       paced as-is: its bytes go out as they stand at the line\n"
        "                       rate, nothing re-stamped, so its dates and times are old\n"
        "                       ones. Sent once, or over and over until --seconds runs out\n"
        "  --seconds N          stop after N seconds (default: run until SIGINT or SIGTERM)\n"
        "  -h, --help           this text\n"
        "\n"
        "The output never goes faster than the line: B/10 bytes a second (480 for the GT-74/77,\n"
        "960 for the CFGPS); a second's sentences that do not fit spill into the next second.\n"
        "Incoming bytes (the analyzer's initialisation sentence) are read and ignored.\n"
        "\n"
        "Exit status: 0 when done or stopped by SIGINT/SIGTERM; 1 when the device goes away while\n"
        "running; 2 for bad arguments, an unreadable capture or a device that cannot be opened.\n");
}

ParseResult parseArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "help");
    const QCommandLineOption device("device", "device", "PATH");
    const QCommandLineOption tuner("tuner", "tuner", "0|1|2");
    const QCommandLineOption baud("baud", "baud", "B");
    const QCommandLineOption seed("seed", "seed", "S");
    const QCommandLineOption nofixEvery("nofix-every", "nofix-every", "N");
    const QCommandLineOption nofixFor("nofix-for", "nofix-for", "M");
    const QCommandLineOption mode2dEvery("mode2d-every", "mode2d-every", "N");
    const QCommandLineOption mode2dFor("mode2d-for", "mode2d-for", "M");
    const QCommandLineOption replay("replay", "replay", "FILE");
    const QCommandLineOption seconds("seconds", "seconds", "N");
    const QCommandLineOption share("share-nmea", "share-nmea", "[ADDRESS:]PORT");
    const QCommandLineOption blocked("blocked-sector", "blocked-sector", "AZ1-AZ2[:ELMAX]");
    parser.addOptions({help, device, tuner, baud, seed, nofixEvery, nofixFor, mode2dEvery,
                       mode2dFor, replay, seconds, share, blocked});

    const auto fail = [](const QString& message) { return ParseResult{std::nullopt, message}; };

    if (!parser.parse(arguments)) {
        return fail(parser.errorText());
    }
    Options o;
    if (parser.isSet(help)) {
        o.help = true;
        return ParseResult{o, {}};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return fail(QStringLiteral("unexpected argument '%1'")
                        .arg(parser.positionalArguments().constFirst()));
    }
    // A value given twice is a typing slip, not a choice; refuse rather than guess.
    for (const QCommandLineOption* option :
         {&device, &tuner, &baud, &seed, &nofixEvery, &nofixFor, &mode2dEvery, &mode2dFor, &replay,
          &seconds, &share, &blocked}) {
        if (parser.values(*option).size() > 1) {
            return fail(QStringLiteral("--%1 given more than once").arg(option->names().first()));
        }
    }

    if (parser.isSet(tuner)) {
        const QString t = parser.value(tuner);
        if (t == QLatin1String("0")) {
            o.tuner = Tuner::Gt74;
        } else if (t == QLatin1String("1")) {
            o.tuner = Tuner::Cfgps;
        } else if (t == QLatin1String("2")) {
            o.tuner = Tuner::Gnss;
        } else {
            return fail(QStringLiteral("--tuner must be 0, 1 or 2, not '%1'").arg(t));
        }
    }

    o.baud = defaultBaud(o.tuner);
    if (parser.isSet(baud)) {
        const auto b = positiveNumber(parser.value(baud), 4'000'000);
        if (!b || *b < 10) {
            return fail(QStringLiteral("--baud must be a whole number from 10 to 4000000"));
        }
        o.baud = static_cast<int>(*b);
    }

    if (parser.isSet(seed)) {
        bool ok = false;
        o.seed = parser.value(seed).toULongLong(&ok);
        if (!ok) {
            return fail(QStringLiteral("--seed must be a whole number"));
        }
    }

    const auto period = [&](const QCommandLineOption& every, const QCommandLineOption& length,
                            Period& out) -> QString {
        const QString e = QStringLiteral("--") + every.names().first();
        const QString l = QStringLiteral("--") + length.names().first();
        if (parser.isSet(every) != parser.isSet(length)) {
            return QStringLiteral("%1 and %2 go together").arg(e, l);
        }
        if (!parser.isSet(every)) {
            return {};
        }
        const auto n = positiveNumber(parser.value(every), 1'000'000'000);
        const auto m = positiveNumber(parser.value(length), 1'000'000'000);
        if (!n || !m || *m > *n) {
            return QStringLiteral("%1 N and %2 M need whole numbers with 1 <= M <= N").arg(e, l);
        }
        out = Period{static_cast<int>(*n), static_cast<int>(*m)};
        return {};
    };
    if (QString error = period(nofixEvery, nofixFor, o.schedule.noFix); !error.isEmpty()) {
        return fail(error);
    }
    if (QString error = period(mode2dEvery, mode2dFor, o.schedule.twoD); !error.isEmpty()) {
        return fail(error);
    }

    if (parser.isSet(replay)) {
        o.replayFile = parser.value(replay);
        if (o.replayFile.isEmpty()) {
            return fail(QStringLiteral("--replay needs a file name"));
        }
    }

    if (parser.isSet(blocked)) {
        o.blocked = parseSector(parser.value(blocked));
        if (!o.blocked) {
            return fail(QStringLiteral("--blocked-sector must be AZ1-AZ2 or AZ1-AZ2:ELMAX, "
                                       "azimuths 0-359 and elevation 0-90"));
        }
    }

    if (parser.isSet(seconds)) {
        const auto s = positiveNumber(parser.value(seconds), 1'000'000'000);
        if (!s) {
            return fail(QStringLiteral("--seconds must be a whole number of at least 1"));
        }
        o.seconds = static_cast<int>(*s);
    }

    if (parser.isSet(share)) {
        o.share = velsor::sharing::ParseShareValue(parser.value(share));
        if (!o.share) {
            return fail(QStringLiteral("--share-nmea needs [ADDRESS:]PORT with a port from 1 to "
                                       "65535, not '%1'")
                            .arg(parser.value(share)));
        }
    }

    o.device = parser.value(device);
    if (o.device.isEmpty() && !o.share) {
        return fail(QStringLiteral("--device PATH is required (or --share-nmea)"));
    }
    return ParseResult{o, {}};
}

} // namespace velsor::sim
