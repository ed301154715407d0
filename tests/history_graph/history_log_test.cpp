// The history log: when it is written, appended to and retried.

#include "support/main_window_fixture.h"

using namespace velsor;

namespace {

class HistoryLog : public velsor::testing::MainWindowTest {
protected:
    void Record() {
        dialogs.files.push_back(Path(QStringLiteral("week1.CSV")));
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

TEST_F(HistoryLog, WrittenWithLogWhileRecordingAndAppended) {
    const struct {
        const char* words;
        QByteArray log;
    } cases[] = {{"", "<missing>"},
                 {"FW LOG", "2,24/05/06 09:06,0,3,1\r\n"},
                 {"LOG", "2,24/05/06 09:06,0,3,1\r\n2,24/05/06 09:06,0,3,1\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav = Nav();
        program.commandLine = QString::fromLatin1(c.words);
        Load();
        Record();
        Minutes(9, 4, 6);
        EXPECT_EQ(Log(), c.log);
    }
}

TEST_F(HistoryLog, AFileThatCannotBeWrittenIsToldOnceAndTriedAgain) {
    program.commandLine = QStringLiteral("LOG");
    Load();
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
