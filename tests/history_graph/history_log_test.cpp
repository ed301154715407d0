// The history log end to end: velsor-sim writes into one end of a socat pseudo-terminal pair,
// the main window's models read the other through ports/COM1, the fake clock makes the
// three-minute slots come at once, and the graph window reads the ".LOG" file that results.

#include "support/graph_support.h"
#include "support/main_window_fixture.h"

#include <QProcess>
#include <QRegularExpression>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

class HistoryLog : public MainWindowTest {
protected:
    void TearDown() override {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(5000);
        }
    }
    void Start(const char* words) {
        program.commandLine = QString::fromLatin1(words);
        Load();
        recordFile = Path(QStringLiteral("week1.CSV"));
        logFile = Path(QStringLiteral("week1.LOG"));
    }
    void At(int h, int m) { clock.now = QDateTime(QDate(2024, 5, 6), QTime(h, m, 5)); }
    void Record() {
        dialogs.files.push_back(recordFile);
        form->Mnu_Rec_Save_Click();
    }
    // Every minute from..to on the PC clock, a tick in each.
    void Minutes(int h, int from, int to) {
        for (int m = from; m <= to; ++m) {
            At(h, m);
            form->Timer2_Timer();
        }
    }
    // A tuner without a fix: snapshots follow the PC clock alone.
    void FeedNoFix() {
        Feed("$GPGGA,030000,3541.1234,N,13945.6789,E,0,00,,,M,,M,,*00");
        Feed("$GPGSA,A,1,,,,,,,,,,,,,,,*00");
        Feed("$GPGSV,1,1,03,04,45,090,47,05,30,180,42,06,10,300,20*00");
    }
    QString recordFile, logFile;
    QProcess sim;
};

} // namespace

TEST_F(HistoryLog, FromTheSimulatedTunerToTheGraph) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    Start("LOG");
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {QStringLiteral("--device"), pty.peerLink, QStringLiteral("--tuner"),
               QStringLiteral("1"), QStringLiteral("--nofix-every"), QStringLiteral("1"),
               QStringLiteral("--nofix-for"), QStringLiteral("1"), QStringLiteral("--seconds"),
               QStringLiteral("30")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    ASSERT_TRUE(WaitFor(
        [&] { return nav.RawSentence[1].startsWith(u"$GPGSA") && nav.SatsInView > 0; }, 8000));

    At(12, 4);
    Record();
    // Starting a recording empties the kept sentences; the next second fills them again.
    ASSERT_TRUE(WaitFor([&] { return nav.RawSentence[1].startsWith(u"$GPGSA"); }, 5000));
    Minutes(12, 4, 20);
    // Slots 12:06 to 12:18; without a fix none are used and field 5 is "1".
    const QStringList records =
        QString::fromLatin1(ReadFile(logFile)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(records.size(), 6) << ReadFile(logFile).toStdString();
    EXPECT_TRUE(records.last().isEmpty()) << "every record ends in CR LF";
    const QRegularExpression shape(QStringLiteral("^(\\d+),(24/05/06 12:\\d\\d),0,([1-9]\\d?),1$"));
    for (int k = 0; k < 5; ++k) {
        const auto match = shape.match(records[k]);
        ASSERT_TRUE(match.hasMatch()) << records[k].toStdString();
        EXPECT_EQ(match.captured(1), QString::number(k + 2));
        EXPECT_EQ(match.captured(2),
                  QStringLiteral("24/05/06 12:%1").arg(6 + 3 * k, 2, 10, QLatin1Char('0')));
    }

    // The graph window reads it while the recording goes on, and a refresh picks up more.
    velsor::testing::GraphRig graph;
    graph.Open(logFile);
    EXPECT_EQ(graph.graph.HistoryLastIndex, 4);
    EXPECT_EQ(graph.graph.Picture1.ops.back().text, u"24/05/06 12:18");
    Minutes(12, 21, 23);
    graph.graph.Command1_Click();
    EXPECT_EQ(graph.graph.HistoryLastIndex, 5);
    EXPECT_EQ(graph.graph.Picture1.ops.back().text, u"24/05/06 12:21");

    // A new recording under the same name starts the CSV anew; the LOG grows.
    form->Mnu_Rec_Stop_Click();
    Record();
    ASSERT_TRUE(WaitFor([&] { return nav.RawSentence[1].startsWith(u"$GPGSA"); }, 5000));
    Minutes(12, 25, 27);
    EXPECT_EQ(QString::fromLatin1(ReadFile(logFile)).count(QStringLiteral("\r\n")), 7);
    form->Mnu_Stop_Click();
}

TEST_F(HistoryLog, WrittenOnlyWithLogAndWhileRecording) {
    struct Case {
        const char* name;
        const char* words;
        bool record;
        bool logWritten;
    };
    for (const Case& c :
         {Case{"no LOG word", "", true, false}, Case{"LOG but no recording", "LOG", false, false},
          Case{"LOG and recording", "FW LOG", true, true}}) {
        SCOPED_TRACE(c.name);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav = Nav();
        QFile::remove(Path(QStringLiteral("week1.LOG")));
        Start(c.words);
        At(9, 4);
        if (c.record)
            Record();
        FeedNoFix();
        Minutes(9, 4, 6);
        EXPECT_EQ(QFileInfo::exists(logFile), c.logWritten);
    }
    // The record byte for byte: slot, time stamp, used, in view, the fix character.
    EXPECT_EQ(ReadFile(logFile), "2,24/05/06 09:06,0,3,1\r\n");
    EXPECT_EQ(HistoryFileName(QStringLiteral("C:\\GPS\\0304.CSV")), u"C:\\GPS\\0304.LOG");
    EXPECT_EQ(HistoryFileName(QStringLiteral("/d/a/week1.txt")), u"/d/a/week1.LOG");
    EXPECT_EQ(HistoryRecord(QStringLiteral("0"), QDateTime(QDate(2002, 3, 4), QTime(0, 0, 59)), 12,
                            11, u"3"),
              u"0,02/03/04 00:00,12,11,3");
}

TEST_F(HistoryLog, AFileThatCannotBeWrittenIsToldOnceAndTriedAgain) {
    Start("LOG");
    // A folder where the file should be: nothing can be appended to it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("week1.LOG")));
    At(9, 4);
    Record();
    FeedNoFix();
    Minutes(9, 4, 12); // slots 06, 09, 12
    const QString told =
        QStringLiteral("履歴ファイルに書き込めません。\r\n") + QDir::toNativeSeparators(logFile);
    EXPECT_EQ(MessageTexts().count(told), 1);
    EXPECT_EQ(nav.RecordingOn, 1) << "recording goes on";
    EXPECT_FALSE(ReadFile(recordFile).isEmpty());

    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("week1.LOG")));
    Minutes(9, 13, 15);
    EXPECT_EQ(ReadFile(logFile), "5,24/05/06 09:15,0,3,1\r\n");
    // Failing again after a success is told again.
    QFile::remove(logFile);
    QDir(dir.path()).mkdir(QStringLiteral("week1.LOG"));
    Minutes(9, 16, 18);
    EXPECT_EQ(MessageTexts().count(told), 2);
}
