// The --share-nmea option: its value, and how it is kept apart from the words FW, LOG and
// REPLAY that show hidden commands wherever they appear on the command line.

#include "sharing/share_option.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::sharing::TakeShareOption;

using ShareOptionTest = velsor::testing::MainWindowTest;

TEST_F(ShareOptionTest, WhereItListensAndWhichWordsStillCount) {
    struct Case {
        QStringList args;
        const char* words = "";     // the hidden commands shown
        const char* host = nullptr; // nullptr: the value is refused
        int port = 10110;
        bool named = true;
    };
    const Case cases[] = {
        {{"--share-nmea", "10110"}, "", "127.0.0.1", 10110, false},
        {{"--share-nmea=192.168.1.5:"}, "", "192.168.1.5"},
        {{"--share-nmea=REPLAY-FW-box:65535"}, "", "REPLAY-FW-box", 65535},
        {{"--share-nmea", "[::1]:4000"}, "", "::1", 4000},
        {{"LOG", "--share-nmea", "FWD.example:"}, "LOG", "FWD.example"},
        {{"--share-nmea", ":", "CATALOG", "REPLAY"}, "LOG REPLAY", "127.0.0.1", 10110, false},
        {{"--share-nmea", ""}},
        {{"--share-nmea", "65536"}},
        {{"--share-nmea", "host:port"}},
        {{"--share-nmea", "[::1]4000"}},
        // The next argument is the value, even a word; look-alikes of the option stay words.
        {{"--share-nmea", "FW"}},
        {{"FW", "--share-nmea"}, "FW"},
        {{"--share-nmea-LOG", "10110"}, "LOG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        std::vector<QByteArray> bytes{"velsor-gps-analyzer"};
        for (const QString& a : c.args)
            bytes.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        const auto taken = TakeShareOption(argv);
        ASSERT_EQ(taken.endpoint.has_value(), c.host != nullptr);
        if (c.host) {
            EXPECT_EQ(taken.endpoint->host, QString::fromLatin1(c.host));
            EXPECT_EQ(taken.endpoint->port, c.port);
            EXPECT_EQ(taken.endpoint->hostNamed, c.named);
        }
        QStringList rest;
        for (size_t i = 1; i < argv.size(); ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        EXPECT_EQ(rest, taken.rest);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav.HistoryLogOn = 0;
        program.commandLine = rest.join(u' ');
        Load();
        QStringList shown;
        if (form->Mnu_FW.visible)
            shown << QStringLiteral("FW");
        if (form->Mnu_Rec_Log.visible && nav.HistoryLogOn == 1)
            shown << QStringLiteral("LOG");
        if (form->Mnu_Replay.visible)
            shown << QStringLiteral("REPLAY");
        EXPECT_EQ(shown.join(u' '), QString::fromLatin1(c.words));
    }
}
