// The --share-nmea option: its value, and how it is kept apart from the words FW, LOG and
// REPLAY that show hidden commands wherever they appear on the command line.

#include "sharing/share_option.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::sharing::TakeShareOption;

using ShareOptionTest = velsor::testing::MainWindowTest;

TEST_F(ShareOptionTest, WhereItListensAndWhichWordsStillCount) {
    // Arguments; the endpoint (host, port, "named" unless defaulted) or "refused", then words.
    const std::pair<const char*, const char*> cases[] = {
        {"--share-nmea 10110", "127.0.0.1 10110;"},
        {"--share-nmea=REPLAY-FW-box:65535", "REPLAY-FW-box 65535 named;"},
        {"--share-nmea [::1]:4000", "::1 4000 named;"},
        {"LOG --share-nmea FWD.example:", "FWD.example 10110 named; LOG"},
        {"--share-nmea : CATALOG REPLAY", "127.0.0.1 10110; LOG REPLAY"},
        {"--share-nmea 65536", "refused;"},
        {"FW --share-nmea", "refused; FW"},
        {"--share-nmea-LOG 10110", "refused; LOG"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(args);
        QList<QByteArray> bytes = ("velsor-gps-analyzer " + QByteArray(args)).split(' ');
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        const auto taken = TakeShareOption(argv);
        QStringList rest;
        for (size_t i = 1; i < argv.size(); ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        EXPECT_EQ(rest, taken.rest);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav.HistoryLogOn = 0;
        program.commandLine = rest.join(u' ');
        Load();
        QStringList got{taken.endpoint ? QStringLiteral("%1 %2%3;")
                                             .arg(taken.endpoint->host)
                                             .arg(taken.endpoint->port)
                                             .arg(taken.endpoint->hostNamed ? u" named" : u"")
                                       : QStringLiteral("refused;")};
        if (form->Mnu_FW.visible)
            got << QStringLiteral("FW");
        if (form->Mnu_Rec_Log.visible && nav.HistoryLogOn == 1)
            got << QStringLiteral("LOG");
        if (form->Mnu_Replay.visible)
            got << QStringLiteral("REPLAY");
        EXPECT_EQ(got.join(u' '), QString::fromLatin1(expected));
    }
}
