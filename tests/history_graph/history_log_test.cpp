// The history log end to end: velsor-sim writes into one end of a socat pseudo-terminal pair,
// the main window's models read the other through ports/COM1, the fake clock makes the
// three-minute slots come at once, and the graph window reads the ".LOG" file that results.

#include "support/graph_support.h"
#include "support/main_window_fixture.h"

#include <QProcess>
#include <QRegularExpression>

using namespace velsor;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

class HistoryLog : public velsor::testing::MainWindowTest {
protected:
    void TearDown() override {
        sim.terminate();
        sim.waitForFinished(5000);
    }
    void Start(const char* words) {
        program.commandLine = QString::fromLatin1(words);
        Load();
    }
    // Starting a recording empties the kept sentences: wait for the tuner, or play it.
    void Record(bool live = false) {
        dialogs.files.push_back(Path(QStringLiteral("week1.CSV")));
        form->Mnu_Rec_Save_Click();
        if (live)
            ASSERT_TRUE(WaitFor([&] { return nav.RawSentence[1].startsWith(u"$GPGSA"); }));
        else
            for (const char* s : {"$GPGGA,030000,3541.1234,N,13945.6789,E,0,00,,,M,,M,,*00",
                                  "$GPGSA,A,1,,,,,,,,,,,,,,,*00",
                                  "$GPGSV,1,1,03,04,45,090,47,05,30,180,42,06,10,300,20*00"})
                Feed(s);
    }
    // A tick in every minute from..to of the PC clock.
    void Minutes(int h, int from, int to) {
        for (int m = from; m <= to; ++m) {
            clock.now = QDateTime(QDate(2024, 5, 6), QTime(h, m, 5));
            form->Timer2_Timer();
        }
    }
    QByteArray Log() { return ReadFile(Path(QStringLiteral("week1.LOG"))); }
    QProcess sim;
};

} // namespace

TEST_F(HistoryLog, FromTheSimulatedTunerToTheGraph) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    Start("LOG");
    // A CFGPS without a fix: snapshots follow the PC clock alone.
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {"--device", pty.peerLink, "--tuner", "1", "--nofix-every", "1", "--nofix-for", "1",
               "--seconds", "30"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    ASSERT_TRUE(WaitFor([&] { return nav.SatsInView > 0; }, 8000));
    Record(true);
    Minutes(12, 4, 20);
    // Records at 12:06 to 12:18, slots 2 to 6, none used, fix "1", each ended by CR LF.
    const QStringList records = QString::fromLatin1(Log()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(records.size(), 6) << Log().toStdString();
    const QRegularExpression shape(QStringLiteral("^(\\d+),24/05/06 12:(\\d\\d),0,[1-9]\\d?,1$"));
    for (int k = 0; k < 5; ++k) {
        const auto match = shape.match(records[k]);
        EXPECT_EQ(match.captured(1).toInt(), k + 2) << records[k].toStdString();
        EXPECT_EQ(match.captured(2).toInt(), 6 + 3 * k);
    }

    // The graph reads it while recording goes on; a refresh picks up what was added since.
    velsor::testing::GraphRig graph;
    graph.Open(Path(QStringLiteral("week1.LOG")));
    EXPECT_EQ(graph.graph.HistoryLastIndex, 4);
    Minutes(12, 21, 23);
    graph.graph.Command1_Click();
    EXPECT_EQ(graph.graph.HistoryLastIndex, 5);
    EXPECT_EQ(graph.graph.Picture1.ops.back().text, u"24/05/06 12:21");
    form->Mnu_Stop_Click();
}

TEST_F(HistoryLog, WrittenWithLogWhileRecordingAndAppended) {
    const struct {
        const char* words;
        bool record;
        QByteArray log;
    } cases[] = {{"", true, "<missing>"},
                 {"LOG", false, "<missing>"},
                 {"FW LOG", true, "2,24/05/06 09:06,0,3,1\r\n"},
                 {"LOG", true, "2,24/05/06 09:06,0,3,1\r\n2,24/05/06 09:06,0,3,1\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        nav = Nav();
        Start(c.words);
        if (c.record)
            Record();
        Minutes(9, 4, 6);
        EXPECT_EQ(Log(), c.log);
    }
    EXPECT_EQ(HistoryFileName(QStringLiteral("C:\\GPS\\0304.CSV")), u"C:\\GPS\\0304.LOG");
}

TEST_F(HistoryLog, AFileThatCannotBeWrittenIsToldOnceAndTriedAgain) {
    Start("LOG");
    // A folder where the file should be: nothing can be appended to it.
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
    // Failing again after a success is told again.
    QFile::remove(Path(QStringLiteral("week1.LOG")));
    QDir(dir.path()).mkdir(QStringLiteral("week1.LOG"));
    Minutes(9, 16, 18);
    EXPECT_EQ(MessageTexts().count(told), 2);
}
