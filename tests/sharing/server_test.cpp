// The NMEA server on loopback with plain-socket clients.

#include "raw_client.h"
#include "sharing/nmea_share_server.h"
#include "support/captures.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <memory>
#include <vector>

using velsor::sharing::NmeaShareServer;
using velsor::sharing::ShareLimits;
using velsor::testing::RawClient;
using velsor::testing::WaitFor;

namespace {

const QByteArray kCapture =
    velsor::testing::FileBytes(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/garmin25lp.log"));

class ShareServerTest : public ::testing::Test {
protected:
    void Start(ShareLimits limits = {}) {
        velsor::testing::EnsureCoreApp();
        server = std::make_unique<NmeaShareServer>(limits);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
    }
    RawClient& Join(int receiveBuffer = 0) {
        clients.push_back(std::make_unique<RawClient>(server->Port(), receiveBuffer));
        const int n = static_cast<int>(clients.size());
        EXPECT_TRUE(WaitFor([&] { return server->ClientCount() == n; }));
        return *clients.back();
    }
    // Sends data from `from` on in pieces of `piece` bytes (0: random sizes from 1 to 300).
    void Send(const QByteArray& data, qsizetype from, int piece, RawClient* reader = nullptr) {
        QRandomGenerator rng(42);
        for (qsizetype pos = from, n = 0; pos < data.size(); pos += n) {
            n = std::min<qsizetype>(piece ? piece : rng.bounded(1, 301), data.size() - pos);
            server->Send(QByteArrayView(data).sliced(pos, n));
            if (reader)
                reader->Read();
        }
    }
    bool Received(RawClient& c, qsizetype size) {
        return WaitFor([&] { return c.Read(), c.got.size() >= size; });
    }
    std::unique_ptr<NmeaShareServer> server;
    std::vector<std::unique_ptr<RawClient>> clients;
};

} // namespace

TEST_F(ShareServerTest, ClientsGetTheBytesUnchangedInWholeLinesOneSegmentEach) {
    const QByteArray data = kCapture + QByteArray("\x00\xff noise, no line feed", 23);
    const qsizetype line2 = data.indexOf('\n') + 1;
    Start();
    RawClient& first = Join();
    std::vector<RawClient*> others; // sixteen clients from the start
    for (int i = 0; i < 15; ++i)
        others.push_back(&Join());
    const unsigned segmentsBefore = first.SegmentsIn();
    server->Send(QByteArrayView(data).first(3));
    RawClient& midLine = Join(); // nothing of that line has gone out: it gets it whole
    server->Send(QByteArrayView(data).sliced(3, line2 - 3));
    RawClient& atLine = Join();
    Send(data, line2, 16); // pieces as a UART hands them over
    // The bytes without a line feed go out when it has not come for a while.
    ASSERT_TRUE(Received(first, data.size()) && Received(midLine, data.size()) &&
                Received(atLine, data.size() - line2));
    EXPECT_EQ(first.got, data);
    EXPECT_LE(first.SegmentsIn() - segmentsBefore, kCapture.count('\n') + 8)
        << "a segment a line, not one a piece";
    for (RawClient* c : others)
        EXPECT_TRUE(Received(*c, data.size()) && c->got == data) << "one stream for all";
    EXPECT_EQ(midLine.got, data);
    EXPECT_EQ(atLine.got, data.mid(line2));

    RawClient& late = Join(); // joins in the middle of a line that went out in part
    server->Send(" ends\n$GPTXT,next*00\r\n");
    ASSERT_TRUE(Received(late, 1) && Received(first, data.size() + 22));
    EXPECT_EQ(late.got, "$GPTXT,next*00\r\n") << "from the next whole line";
}

// Lines at many times the line rate while one client reads nothing for three seconds: its
// window shuts and lines are dropped for it, but the default limits keep it. Reading again, what
// was queued for it and the next lines arrive within about a second (not after a retransmission
// back-off of several seconds).
TEST_F(ShareServerTest, AClientReadingAgainAfterAPauseGetsTheLinesAtOnce) {
    Start();
    RawClient& keeper = Join();
    RawClient& paused = Join();
    for (QDeadlineTimer pause(3000); !pause.hasExpired(); QCoreApplication::processEvents())
        Send(kCapture, 0, 16, &keeper);
    EXPECT_GT(server->LinesDropped(), 0);
    EXPECT_EQ(server->ClientsDropped(), 0);
    const QByteArray marker("$GPTXT,01,01,01,after the pause*00\r\n");
    QElapsedTimer resumed;
    resumed.start();
    bool seen = false;
    while (!seen && resumed.elapsed() < 8000) {
        Send(kCapture + marker, 0, 16, &keeper);
        seen = WaitFor([&] { return paused.Read(), paused.got.contains(marker); }, 50);
    }
    ASSERT_TRUE(seen);
    EXPECT_LT(resumed.elapsed(), 2000);
}

TEST_F(ShareServerTest, SlowClientsLoseWholeLinesAStalledOneIsDroppedOthersLoseNothing) {
    const ShareLimits limits{
        .queueBytes = 4096, .hardBytes = 64 * 1024, .behindMs = 1000, .kernelSendBytes = 4096};
    Start(limits);
    RawClient& keeper = Join();
    RawClient& lagger = Join(4096);
    RawClient& stalled = Join(2048); // never reads until it has been dropped
    QByteArray sent;
    qint64 mostQueued = 0;
    QDeadlineTimer deadline(10000);
    while (server->ClientsDropped() == 0 && !deadline.hasExpired()) {
        sent += kCapture;
        Send(kCapture, 0, 97, &keeper); // lines straddle the pieces
        mostQueued = std::max(mostQueued, server->QueuedBytes());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        lagger.Read(300);
        QThread::msleep(5);
    }
    EXPECT_EQ(server->ClientsDropped(), 1) << "the stalled client stayed behind";
    EXPECT_TRUE(WaitFor([&] { return server->ClientCount() == 2; }));
    EXPECT_LE(mostQueued, 3 * (limits.queueBytes + 90)) << "bounded queues; lines under 90 bytes";
    ASSERT_TRUE(Received(keeper, sent.size()));
    EXPECT_EQ(keeper.got, sent) << "the client that keeps up loses nothing";

    // The lagging client, caught up, has sent lines whole and in order, with gaps; the dropped
    // one, reading again, gets whole lines and then an orderly close.
    for (qsizetype had = -1; had != lagger.got.size(); lagger.Read()) {
        had = lagger.got.size();
        WaitFor([] { return false; }, 100);
    }
    EXPECT_TRUE(WaitFor([&] { return stalled.Read(), stalled.closed; })) << "not reset";
    EXPECT_GT(server->LinesDropped(), 0);
    const QList<QByteArray> sentLines = sent.split('\n');
    for (RawClient* c : {&lagger, &stalled}) {
        QList<QByteArray> gotLines = c->got.split('\n');
        ASSERT_TRUE(gotLines.takeLast().isEmpty()) << "ends with a whole line";
        ASSERT_LT(gotLines.size(), sentLines.size());
        qsizetype at = 0;
        for (const QByteArray& line : gotLines) {
            while (at < sentLines.size() && sentLines[at] != line)
                ++at;
            ASSERT_LT(at++, sentLines.size()) << "not a sent line: " << line.toStdString();
        }
    }
}
