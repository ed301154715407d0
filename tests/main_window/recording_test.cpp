// Recording: the start line, three-minute snapshots by the PC clock and the stop line.

#include "support/file_size_limit.h"
#include "support/main_window_fixture.h"

#include <QFileInfo>

using namespace velsor;
using velsor::testing::FileSizeLimit;
using velsor::testing::MainWindowTest;
using namespace Qt::StringLiterals;

namespace {

const QString kCantWrite = u"記録ファイルに書き込めません。\r\n"_s;

class RecordingTest : public MainWindowTest {
protected:
    void SetUp() override {
        Load();
        file = Path(u"run.CSV"_s);
    }
    void At(int h, int m, int s) { clock.now = QDateTime(QDate(2002, 3, 4), QTime(h, m, s)); }
    void Start() {
        dialogs.files.push_back(file);
        form->Mnu_Rec_Save_Click();
    }
    // One second of a tuner whose clock is gpsMinutesBehind the PC, then a Timer2 tick.
    void Second(int h, int m, int s, char fix = '3') {
        At(h, m, s);
        Feed(u"$GPGGA,03%1%2,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00"_s
                 .arg((m + 60 - gpsMinutesBehind) % 60, 2, 10, QLatin1Char('0'))
                 .arg(s, 2, 10, QLatin1Char('0')));
        Feed(fix == '3' ? "$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00"
                        : "$GPGSA,A,1,,,,,,,,,,,,,,,*00");
        Feed("$GPGSV,1,1,02,04,45,090,47,05,30,180,42*00");
        Feed("$GPZDA,033000,04,03,2002,00,00*00");
        form->Timer2_Timer();
    }
    void Seconds(int h, int from, int to, int every = 15) {
        for (int m = from; m <= to; ++m)
            for (int s = 0; s < 60; s += every)
                Second(h, m, s);
    }
    // Minutes of the snapshots in the file, from their GGA time.
    QStringList SnapshotMinutes() {
        QStringList minutes;
        for (const QByteArray& line : ReadFile(file).split('\n'))
            if (line.startsWith("$GPGGA"))
                minutes << QString::fromLatin1(line.mid(9, 2));
        return minutes;
    }
    QString file;
    int gpsMinutesBehind = 0;
};

} // namespace

TEST_F(RecordingTest, TheFileHoldsStartSnapshotsAndStopByteForByte) {
    At(9, 5, 0);
    Start();
    Second(9, 5, 0);
    Feed("$GPGSV,2,2,06,20,15,045,30*00"); // message 2 arrives once
    Second(9, 6, 0);
    At(9, 7, 30);
    form->Mnu_Rec_Stop_Click();
    const QByteArray expected("2002/03/04 9:05:00(JST) Started.\r\n"
                              "$GPGGA,030600,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n"
                              "$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00\r\n"
                              "$GPGSV,1,1,02,04,45,090,47,05,30,180,42*00\r\n"
                              "$GPGSV,2,2,06,20,15,045,30*00\r\n"
                              "$GPZDA,033000,04,03,2002,00,00*00\r\n"
                              "2002/03/04 9:07:30(JST) Stopped.\r\n");
    EXPECT_EQ(ReadFile(file), expected);
    EXPECT_EQ(Buttons(), "0-2-");
    form->Mnu_Rec_Stop_Click();
    EXPECT_EQ(ReadFile(file), expected) << "stopping again writes nothing";
}

// Snapshots fall in the slot minutes after the start; one cut by a full disk is taken back whole.
TEST_F(RecordingTest, ASnapshotCutByAFullDiskIsTakenBackWhole) {
    At(12, 4, 10);
    Start();
    EXPECT_TRUE(dialogs.fileDialogs[0].overwritePrompt);
    Seconds(12, 4, 6);
    {
        FileSizeLimit limit(QFileInfo(file).size() + 100); // room for the GGA line and a bit
        Seconds(12, 7, 9);
    }
    Seconds(12, 10, 12);
    const QList<QByteArray> lines = ReadFile(file).split('\n');
    EXPECT_EQ(SnapshotMinutes(), (QStringList{u"06"_s, u"12"_s}));
    ASSERT_EQ(lines.size(), 1 + 2 * 5 + 1) << "the start line, two whole blocks, the last LF";
    EXPECT_TRUE(lines[6].startsWith("$GPGGA"));
    EXPECT_EQ(MessageTexts(), QStringList{kCantWrite + QDir::toNativeSeparators(file)});
    EXPECT_EQ(form->SlotText, u"4"); // 12 minutes / 3
}

// A file that cannot be made, or one taken away (renamed) while recording, is told with its name:
// none is left behind, nor started again without its start line.
TEST_F(RecordingTest, FileTroubleIsTold) {
    const struct {
        const char *name, *file, *told;
        bool starts;
    } cases[] = {
        {"no such folder", "no-such-folder/run.CSV", "記録ファイルを作成できません。", false},
        {"full disk", "run.CSV", "記録ファイルを作成できません。", false},
        {"renamed", "a.CSV", "記録ファイルが見つかりません。", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        dialogs.messages.clear();
        file = Path(QString::fromLatin1(c.file));
        At(12, 4, 0);
        {
            FileSizeLimit limit(name == "full disk" ? 0 : 1 << 20);
            Start();
        }
        EXPECT_EQ(nav.RecordingOn, c.starts ? 1 : 0);
        EXPECT_EQ(Buttons(), c.starts ? "-12-" : "0-2-");
        Seconds(12, 4, 6);
        const QByteArray written = ReadFile(file);
        const QString moved = file + u".old"_s;
        ASSERT_TRUE(name != "renamed" || QFile::rename(file, moved));
        Seconds(12, 7, 12);
        form->Mnu_Rec_Stop_Click();
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(MessageTexts(), QStringList{QString::fromUtf8(c.told) + u"\r\n"_s +
                                              QDir::toNativeSeparators(file)});
        EXPECT_EQ(ReadFile(moved), name == "renamed" ? written : QByteArray("<missing>"));
    }
}

TEST_F(RecordingTest, ANewFileDisconnectingOrQuittingEndsTheFileWithItsStopLine) {
    const auto startStop = [](int from, int to) {
        return QByteArray("2002/03/04 9:0") + char('0' + from) + ":00(JST) Started.\r\n" +
               "2002/03/04 9:0" + char('0' + to) + ":00(JST) Stopped.\r\n";
    };
    QStringList files;
    for (int m = 6; m <= 7; ++m) {
        files << (file = Path(QString::number(m) + u".CSV"_s));
        At(9, m, 0);
        Start();
    }
    At(9, 8, 0);
    form->Mnu_Stop_Click();
    EXPECT_EQ(Buttons(), "----");
    file = Path(u"last.CSV"_s);
    Start();
    At(9, 9, 0);
    form->Mnu_Quit_Click();
    EXPECT_EQ((QList<QByteArray>{ReadFile(files[0]), ReadFile(files[1]), ReadFile(file)}),
              (QList<QByteArray>{startStop(6, 7), startStop(7, 8), startStop(8, 9)}));
    EXPECT_EQ(program.exits, 1);
    EXPECT_TRUE(MessageTexts().isEmpty());
}

TEST_F(RecordingTest, APcClockAMinuteOffFromTheFixIsToldOncePerRecording) {
    const QString clockOff = u"PCの時計がGPSの時刻と1分以上ずれているため、記録できません。\r\n"
                             u"PCの時計を合わせてください。"_s;
    gpsMinutesBehind = 1;
    At(12, 4, 0);
    Start();
    Seconds(12, 4, 6);
    EXPECT_TRUE(MessageTexts().isEmpty()) << "not before the slot minute is over";
    Seconds(12, 7, 11);
    EXPECT_TRUE(SnapshotMinutes().isEmpty());
    EXPECT_EQ(MessageTexts(), QStringList{clockOff});
    Second(12, 12, 0, '1'); // without a fix the PC clock alone decides
    EXPECT_EQ(SnapshotMinutes(), QStringList{u"11"_s});

    // Clocks that agree are never told, even when a slot's first tick has the last minute's GGA.
    gpsMinutesBehind = 0;
    At(12, 16, 0);
    Start();
    for (int m = 16; m <= 22; ++m) {
        At(12, m, 0);
        form->Timer2_Timer();
        Second(12, m, 1);
    }
    EXPECT_EQ(MessageTexts().count(clockOff), 1);
    EXPECT_EQ(SnapshotMinutes(), (QStringList{u"18"_s, u"21"_s}));
}

// The third model records, for the epoch shown, every sentence the window shows it from, as
// received: its fix and date sentences, the GSAs last sent, every GSV group in view (one the
// receiver left out of the last second too), after a count; not the other sentences, nor one
// with a wrong checksum.
TEST_F(RecordingTest, TheThirdModelRecordsTheEpochShownWhole) {
    nav.TunerType = u"2"_s;
    using velsor::testing::WithChecksum;
    const auto at = [](const char* s, int mmss) { // the time of a fix sentence
        return WithChecksum(
            QString::fromLatin1(s).arg(mmss, 4, 10, QLatin1Char('0')).toLatin1().constData());
    };
    const char* const rmc = "GNRMC,03%1.00,A,3541.1234,N,13945.6789,E,0.0,,040302,,,A";
    const char* const gga = "GNGGA,03%1.00,3541.1234,N,13945.6789,E,1,05,0.5,10,M,,M,,";
    const QString gsa[] = {WithChecksum("GNGSA,A,3,04,05,06,,,,,,,,,,1.0,1.0,1.0,1"),
                           WithChecksum("GNGSA,A,3,70,,,,,,,,,,,,1.0,1.0,1.0,2")};
    const QString gps[] = {
        WithChecksum("GPGSV,2,1,05,04,45,090,47,05,30,180,42,06,10,100,30,07,20,200,35,1"),
        WithChecksum("GPGSV,2,2,05,08,15,045,30,1")};
    const QString glonass = WithChecksum("GLGSV,1,1,01,70,20,100,33,1");
    At(9, 5, 0);
    Start();
    for (const QString& l : {at(rmc, 557), at(gga, 557), gsa[0], gsa[1], gps[0], gps[1], glonass,
                             WithChecksum("GNZDA,030557.00,04,03,2002,00,00")})
        Feed(l);
    // GLONASS left out; sentences of other kinds, and one with a wrong checksum
    for (const QString& l :
         {at(rmc, 558), at(gga, 558), gsa[0], gsa[1], gps[0], gps[1],
          WithChecksum("GNTXT,01,01,02,u-blox"), u"$GNVTG,,T,,M,0.0,N,0.0,K,A*00"_s})
        Feed(l);
    At(9, 5, 59);
    form->Timer2_Timer();
    for (const QString& l : {at(rmc, 600), at(gga, 600), at(rmc, 601)}) // no GSA, no satellites
        Feed(l);
    At(9, 6, 0);
    form->Timer2_Timer();
    form->Mnu_Rec_Stop_Click();
    const QStringList shown{at(rmc, 600), at(gga, 600), gsa[0], gsa[1], gps[0], gps[1], glonass};
    EXPECT_EQ(ReadFile(file).toStdString(), "2002/03/04 9:05:00(JST) Started.\r\n#SNAPSHOT,7\r\n" +
                                                shown.join(u"\r\n").toStdString() +
                                                "\r\n2002/03/04 9:06:00(JST) Stopped.\r\n");
}
