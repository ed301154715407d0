// The --share-nmea option: its value, and how it is kept apart from the words FW, LOG and
// REPLAY that show hidden commands wherever they appear on the command line.

#include "sharing/share_option.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::sharing::ParseShareValue;
using velsor::sharing::TakeShareOption;

TEST(ShareOption, ValuesAndWhereTheyListen) {
    struct Case {
        const char* value;
        const char* host; // nullptr: refused
        int port;
        bool named;
    };
    const Case cases[] = {
        {":", "127.0.0.1", 10110, false},
        {"10110", "127.0.0.1", 10110, false},
        {"0.0.0.0:10110", "0.0.0.0", 10110, true},
        {"192.168.1.5:", "192.168.1.5", 10110, true},
        {"LOGGER:65535", "LOGGER", 65535, true},
        {"[::1]:4000", "::1", 4000, true},
        {"[::]", "::", 10110, true},
        {"", nullptr, 0, false},
        {"0", nullptr, 0, false},
        {"65536", nullptr, 0, false},
        {"LOG", nullptr, 0, false},
        {"host:port", nullptr, 0, false},
        {"::1:4000", nullptr, 0, false},
        {"[::1]4000", nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const auto e = ParseShareValue(QString::fromLatin1(c.value));
        ASSERT_EQ(e.has_value(), c.host != nullptr);
        if (!e)
            continue;
        EXPECT_EQ(e->host, QString::fromLatin1(c.host));
        EXPECT_EQ(e->port, c.port);
        EXPECT_EQ(e->hostNamed, c.named);
    }
}

namespace {
class ShareWordsTest : public velsor::testing::MainWindowTest {};
} // namespace

TEST_F(ShareWordsTest, TheOptionAndItsValueNeverCountAsWords) {
    struct Case {
        QStringList args;
        bool shared;
        bool fw, log, replay;
    };
    const Case cases[] = {
        {{"--share-nmea", "LOGGER:10110"}, true, false, false, false},
        {{"--share-nmea=REPLAY-FW-box:10110"}, true, false, false, false},
        {{"LOG", "--share-nmea", "FWD.example:"}, true, false, true, false},
        {{"--share-nmea", ":", "CATALOG", "REPLAY"}, true, false, true, true},
        // The value is the next argument whatever it is: a word given there is taken as the
        // value, refused, and does not count.
        {{"--share-nmea", "FW"}, false, false, false, false},
        {{"FW", "--share-nmea"}, false, true, false, false},
        // Only the option itself is taken; look-alikes stay words.
        {{"--share-nmea-LOG", "10110"}, false, false, true, false},
        {{"--SHARE-NMEA", "REPLAY:1"}, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        // As main() hands them over, program name first.
        std::vector<QByteArray> bytes{"velsor-gps-analyzer"};
        for (const QString& a : c.args)
            bytes.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        const auto taken = TakeShareOption(argv);
        EXPECT_EQ(taken.endpoint.has_value(), c.shared);
        QStringList rest;
        for (size_t i = 1; i < argv.size(); ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        EXPECT_EQ(rest, taken.rest);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav.HistoryLogOn = 0;
        program.commandLine = rest.join(u' ');
        Load();
        EXPECT_EQ(form->Mnu_FW.visible, c.fw);
        EXPECT_EQ(form->Mnu_Rec_Log.visible, c.log);
        EXPECT_EQ(nav.HistoryLogOn, c.log ? 1 : 0);
        EXPECT_EQ(form->Mnu_Replay.visible, c.replay);
    }
}
