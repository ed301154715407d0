// The --share-nmea and --source options: their values, and the arguments they leave for the
// words FW, LOG and REPLAY that show hidden commands wherever they appear on the command line.

#include "sharing/share_option.h"
#include "sharing/source_option.h"

#include <gtest/gtest.h>

using namespace velsor::sharing;

TEST(ShareAndSourceOptions, WhereTheyListenOrConnectAndWhatTheyLeaveOnTheCommandLine) {
    // Arguments; the endpoint (host, port, "named" when --share-nmea was given a host),
    // "refused" or "none", then the arguments left, in argv too.
    const std::pair<const char*, const char*> cases[] = {
        {"--share-nmea 10110", "127.0.0.1 10110;"},
        {"--share-nmea=REPLAY-FW-box:65535", "REPLAY-FW-box 65535 named;"},
        {"--share-nmea [::1]:4000", "::1 4000 named;"},
        {"LOG --share-nmea FWD.example:", "FWD.example 10110 named; LOG"},
        {"--share-nmea : CATALOG REPLAY", "127.0.0.1 10110; CATALOG REPLAY"},
        {"--share-nmea 65536", "refused;"},
        {"FW --share-nmea", "refused; FW"},
        {"--share-nmea-LOG 10110", "none; --share-nmea-LOG 10110"},
        {"--source tcp://192.168.1.20:10110", "192.168.1.20 10110;"},
        {"LOG --source=TCP://REPLAY-FW:2947 REPLAY", "REPLAY-FW 2947; LOG REPLAY"},
        {"--source tcp://[::1]:4000", "::1 4000;"},
        {"--source tcp://gps.local FW", "gps.local 10110; FW"},
        {"--source tcp://:10110", "refused;"},
        {"--source 10110 LOG", "refused; LOG"},
        {"--source tcp://host:10110/", "refused;"},
        {"--source tcp://host:0", "refused;"},
        {"--source tcp://gps\nhost:10110 LOG", "refused; LOG"},
        {"REPLAY --source", "refused; REPLAY"},
        {"--source-LOG tcp://a:1", "none; --source-LOG tcp://a:1"},
    };
    for (const auto& [args, expected] : cases) {
        QList<QByteArray> bytes = ("velsor-gps-analyzer " + QByteArray(args)).split(' ');
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        QStringList taken;
        const auto summary = [&](const auto& t) {
            taken = t.rest;
            const auto& e = t.endpoint;
            if (!e)
                return t.requested ? u"refused"_qs : u"none"_qs;
            QString s = QStringLiteral("%1 %2").arg(e->host).arg(e->port);
            if constexpr (requires { e->hostNamed; })
                s += e->hostNamed ? u" named" : u"";
            return s;
        };
        const QString got = QByteArray(args).contains("--source") ? summary(TakeSourceOption(argv))
                                                                  : summary(TakeShareOption(argv));
        QStringList rest;
        for (size_t i = 1; i < argv.size(); ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        EXPECT_EQ(rest, taken) << args;
        EXPECT_EQ(got + u';' + (QStringList{u""_qs} + rest).join(u' '),
                  QString::fromLatin1(expected))
            << args;
    }
}
