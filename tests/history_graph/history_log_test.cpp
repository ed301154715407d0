// The history log: when it is written, appended to and retried.

#include "support/main_window_fixture.h"

#include <QTimer>

using namespace velsor;
using velsor::testing::WaitFor;

namespace {

class HistoryLog : public velsor::testing::MainWindowTest {
protected:
    void SetUp() override {
        program.commandLine = QStringLiteral("LOG");
        Load();
    }
    void Record(const QString& name = QStringLiteral("week1.CSV")) {
        dialogs.files.push_back(Path(name));
        form->Mnu_Rec_Save_Click();
        for (const char* s : {"$GPGGA,030000,3541.1234,N,13945.6789,E,0,00,,,M,,M,,*00",
                              "$GPGSA,A,1,,,,,,,,,,,,,,,*00",
                              "$GPGSV,1,1,03,04,45,090,47,05,30,180,42,06,10,300,20*00"})
            Feed(s);
    }
    void Minutes(int h, int from, int to) {
        for (int m = from; m <= to; ++m) {
            clock.now = QDateTime(QDate(2024, 5, 6), QTime(h, m, 5));
            form->Timer2_Timer();
        }
    }
    QByteArray Log() { return ReadFile(Path(QStringLiteral("week1.LOG"))); }
};

} // namespace

// The fixture's program has LOG on its command line; without it there is no history. Records
// are appended: the warning test writes three.
TEST_F(HistoryLog, WrittenOnlyWithLog) {
    form = std::make_unique<NAV_FORM>(nav, plat, prop);
    nav = Nav();
    program.commandLine.clear();
    Load();
    Record();
    Minutes(9, 4, 6);
    EXPECT_EQ(Log(), "<missing>");
}

TEST_F(HistoryLog, AFileThatCannotBeWrittenIsToldOnceAndTriedAgain) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("week1.LOG")));
    Record();
    Minutes(9, 4, 12); // slots 06, 09, 12
    const QString told = QStringLiteral("履歴ファイルに書き込めません。\r\n") +
                         QDir::toNativeSeparators(Path(QStringLiteral("week1.LOG")));
    EXPECT_EQ(MessageTexts().count(told), 1);
    EXPECT_EQ(nav.RecordingOn, 1) << "recording goes on";
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("week1.LOG")));
    Minutes(9, 13, 15);
    EXPECT_EQ(Log(), "5,24/05/06 09:15,0,3,1\r\n");
}

TEST_F(HistoryLog, NeverWrittenIntoTheRecording) {
    const struct {
        const char *recording, *history;
    } cases[] = {{"x.LOG", "x.LOG.LOG"},
                 {"y.log", "y.log.LOG"},
                 {"0304.TXT", "0304.LOG"},
                 {"2026.12.07", "2026.12.07.LOG"}, // not "2026.1.LOG", shared with .08
                 {"sub/a.b", "sub/a.b.LOG"}};      // not "sub.LOG", outside the folder
    QDir(dir.path()).mkdir(QStringLiteral("sub")); // week1.CSV: above
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        Record(QString::fromLatin1(c.recording));
        Minutes(9, 4, 6);
        EXPECT_EQ(ReadFile(Path(QString::fromLatin1(c.history))), "2,24/05/06 09:06,0,3,1\r\n");
        EXPECT_EQ(ReadFile(Path(QString::fromLatin1(c.recording))).count('\n'), 1 + 5)
            << "the start line and one block";
    }
}

// A warning raised by a snapshot stays open while the window's Timer2 runs on: records go on,
// in time order, each with its own snapshot's time.
TEST_F(HistoryLog, RecordsGoOnInTimeOrderWhileAWarningIsOpen) {
    Record();
    const QString csv = Path(QStringLiteral("week1.CSV"));
    ASSERT_TRUE(QFile::remove(csv) && QDir(dir.path()).mkdir(QStringLiteral("week1.CSV")))
        << "every block fails from now on";
    clock.now = QDateTime(QDate(2024, 5, 6), QTime(9, 4, 5));
    int ticks = 0; // a PC minute each, up to 09:13
    QTimer timer2;
    QObject::connect(&timer2, &QTimer::timeout, [&] {
        if (ticks == 9)
            return;
        clock.now = clock.now.addSecs(60);
        form->Timer2_Timer();
        ++ticks;
    });
    QByteArray whileOpen;
    dialogs.whileOpen = [&] { // its own event loop runs until the ticks are done; OK comes later
        WaitFor([&] { return ticks == 9; }, 3000);
        whileOpen = Log();
        clock.now = clock.now.addSecs(600);
    };
    timer2.start(1);
    ASSERT_TRUE(WaitFor([&] { return ticks == 9 && !dialogs.messages.empty(); }));
    const QByteArray expected("2,24/05/06 09:06,0,3,1\r\n"
                              "3,24/05/06 09:09,0,3,1\r\n"
                              "4,24/05/06 09:12,0,3,1\r\n");
    EXPECT_EQ(whileOpen, expected);
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(MessageTexts(), QStringList{QStringLiteral("記録ファイルに書き込めません。\r\n") +
                                          QDir::toNativeSeparators(csv)});
}
