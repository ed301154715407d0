// The --share-nmea option: its value, and the arguments it leaves for the words FW, LOG and
// REPLAY that show hidden commands wherever they appear on the command line.

#include "sharing/share_option.h"

#include <gtest/gtest.h>

using velsor::sharing::TakeShareOption;

TEST(ShareOption, WhereItListensAndWhatItLeavesOnTheCommandLine) {
    // Arguments; the endpoint (host, port, "named" unless defaulted), "refused" or "none", then
    // the arguments left, in argv too.
    const std::pair<const char*, const char*> cases[] = {
        {"--share-nmea 10110", "127.0.0.1 10110;"},
        {"--share-nmea=REPLAY-FW-box:65535", "REPLAY-FW-box 65535 named;"},
        {"--share-nmea [::1]:4000", "::1 4000 named;"},
        {"LOG --share-nmea FWD.example:", "FWD.example 10110 named; LOG"},
        {"--share-nmea : CATALOG REPLAY", "127.0.0.1 10110; CATALOG REPLAY"},
        {"--share-nmea 65536", "refused;"},
        {"FW --share-nmea", "refused; FW"},
        {"--share-nmea-LOG 10110", "none; --share-nmea-LOG 10110"},
    };
    for (const auto& [args, expected] : cases) {
        QList<QByteArray> bytes = ("velsor-gps-analyzer " + QByteArray(args)).split(' ');
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        const auto taken = TakeShareOption(argv);
        QStringList rest;
        for (size_t i = 1; i < argv.size(); ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        EXPECT_EQ(rest, taken.rest) << args;
        const auto& e = taken.endpoint;
        const QString got = (e ? QStringLiteral("%1 %2%3").arg(e->host).arg(e->port).arg(
                                     e->hostNamed ? u" named" : u"")
                             : taken.requested ? u"refused"_qs
                                               : u"none"_qs) +
                            u';' + (QStringList{u""_qs} + rest).join(u' ');
        EXPECT_EQ(got, QString::fromLatin1(expected)) << args;
    }
}
