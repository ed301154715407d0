// The NMEA server on loopback with plain-socket clients: byte-identical streams, whole lines
// for clients that fall behind, a bounded queue, and nothing taken from what clients send.

#include "raw_client.h"
#include "sharing/nmea_share_server.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>

#include <memory>
#include <vector>

using velsor::sharing::NmeaShareServer;
using velsor::sharing::ShareLimits;
using velsor::testing::RawClient;
using velsor::testing::WaitFor;

namespace {

QByteArray Capture() {
    QFile f(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/garmin25lp.log"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> Lines(const QByteArray& data) {
    QList<QByteArray> lines;
    for (qsizetype pos = 0; pos < data.size();) {
        const qsizetype lf = data.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? data.size() : lf + 1;
        lines << data.mid(pos, end - pos);
        pos = end;
    }
    return lines;
}

class ShareServerTest : public ::testing::Test {
protected:
    void Start(ShareLimits limits = {}) {
        velsor::testing::EnsureCoreApp();
        server = std::make_unique<NmeaShareServer>(limits);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0))
            << server->ErrorString().toStdString();
    }
    RawClient& Join(int receiveBuffer = 0) {
        clients.push_back(std::make_unique<RawClient>(server->Port(), receiveBuffer));
        const int n = static_cast<int>(clients.size());
        EXPECT_TRUE(clients.back()->connected);
        EXPECT_TRUE(WaitFor([&] { return server->ClientCount() == n; }));
        return *clients.back();
    }
    // Pumps events until every client in `readers` has `size` bytes.
    bool AllReceived(const std::vector<RawClient*>& readers, qsizetype size, int ms = 5000) {
        return WaitFor(
            [&] {
                bool all = true;
                for (RawClient* c : readers) {
                    c->Read();
                    all = all && c->got.size() >= size;
                }
                return all;
            },
            ms);
    }
    std::unique_ptr<NmeaShareServer> server;
    std::vector<std::unique_ptr<RawClient>> clients;
};

} // namespace

TEST_F(ShareServerTest, EveryClientGetsTheBytesUnchangedWhateverTheChunking) {
    const QByteArray data = Capture() + QByteArray("\x00\xff noise without a line feed", 29);
    ASSERT_GT(data.size(), 1000);
    struct Case {
        int clients;
        int chunk; // 0: random sizes from 1 to 300
    };
    for (const Case c : {Case{1, 1}, Case{1, 7}, Case{1, 4096}, Case{16, 13}, Case{16, 0}}) {
        SCOPED_TRACE(testing::Message() << c.clients << " clients, chunk " << c.chunk);
        Start();
        clients.clear();
        std::vector<RawClient*> readers;
        for (int i = 0; i < c.clients; ++i)
            readers.push_back(&Join());
        QRandomGenerator rng(42);
        for (qsizetype pos = 0; pos < data.size();) {
            const int n = c.chunk ? c.chunk : rng.bounded(1, 301);
            server->Send(
                QByteArrayView(data).sliced(pos, std::min<qsizetype>(n, data.size() - pos)));
            pos += n;
        }
        ASSERT_TRUE(AllReceived(readers, data.size()));
        for (RawClient* r : readers)
            EXPECT_EQ(r->got, data);
    }
}

TEST_F(ShareServerTest, AClientJoiningMidStreamStartsAtTheNextWholeLine) {
    const QByteArray data("$GPGGA,1*00\r\n$GPGSA,2*00\r\n$GPGSV,3*00\r\n");
    struct Case {
        qsizetype sentBeforeJoin;
        qsizetype firstByteSeen;
    };
    for (const Case c : {Case{0, 0}, Case{3, 13}, Case{12, 13}, Case{13, 13}, Case{14, 26}}) {
        SCOPED_TRACE(testing::Message() << "joined after " << c.sentBeforeJoin << " bytes");
        Start();
        clients.clear();
        server->Send(QByteArrayView(data).first(c.sentBeforeJoin));
        RawClient& late = Join();
        server->Send(QByteArrayView(data).sliced(c.sentBeforeJoin));
        ASSERT_TRUE(AllReceived({&late}, data.size() - c.firstByteSeen));
        EXPECT_EQ(late.got, data.mid(c.firstByteSeen));
    }
}

TEST_F(ShareServerTest, AClientThatLagsLosesWholeLinesAndTheOthersLoseNothing) {
    ShareLimits limits;
    limits.queueBytes = 2048;
    limits.kernelSendBytes = 4096;
    Start(limits);
    RawClient& keeper = Join();
    RawClient& lagger = Join(4096);
    const QByteArray capture = Capture();
    QByteArray sent;
    for (int round = 0; round < 40; ++round) {
        sent += capture;
        // Odd chunk sizes so lines straddle sends.
        for (qsizetype pos = 0; pos < capture.size(); pos += 97) {
            server->Send(
                QByteArrayView(capture).sliced(pos, std::min<qsizetype>(97, capture.size() - pos)));
            keeper.Read();
        }
        QCoreApplication::processEvents();
        lagger.Read(200);
    }
    ASSERT_TRUE(AllReceived({&keeper}, sent.size()))
        << keeper.got.size() << " of " << sent.size() << " dropped " << server->LinesDropped();
    EXPECT_EQ(keeper.got, sent);
    // The lagging client catches up with what was queued for it.
    qsizetype had = -1;
    while (had != lagger.got.size()) {
        had = lagger.got.size();
        WaitFor([] { return false; }, 100);
        lagger.Read();
    }
    EXPECT_GT(server->LinesDropped(), 0) << "the lagging client was made to fall behind";
    EXPECT_EQ(server->ClientCount(), 2) << "lagging briefly is not staying behind";

    // What the lagging client got is sent lines, whole and in order, with gaps.
    const QList<QByteArray> sentLines = Lines(sent);
    const QList<QByteArray> gotLines = Lines(lagger.got);
    ASSERT_LT(gotLines.size(), sentLines.size());
    qsizetype at = 0;
    for (const QByteArray& line : gotLines) {
        while (at < sentLines.size() && sentLines[at] != line)
            ++at;
        ASSERT_LT(at, sentLines.size()) << "not a whole sent line in order: " << line.toStdString();
        ++at;
    }
}

TEST_F(ShareServerTest, AClientThatNeverReadsIsDroppedWithinItsBound) {
    ShareLimits limits;
    limits.queueBytes = 4096;
    limits.hardBytes = 64 * 1024;
    limits.behindMs = 300;
    limits.kernelSendBytes = 4096;
    Start(limits);
    RawClient& keeper = Join();
    Join(2048); // never reads
    const QByteArray capture = Capture();
    const qsizetype longest = 90;
    QByteArray sent;
    qint64 mostQueued = 0;
    QDeadlineTimer deadline(10000);
    while (server->ClientsDropped() == 0 && !deadline.hasExpired()) {
        sent += capture;
        for (qsizetype pos = 0; pos < capture.size(); pos += 512) {
            server->Send(QByteArrayView(capture).sliced(
                pos, std::min<qsizetype>(512, capture.size() - pos)));
            mostQueued = std::max(mostQueued, server->QueuedBytes());
            keeper.Read();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    EXPECT_EQ(server->ClientsDropped(), 1);
    EXPECT_TRUE(WaitFor([&] { return server->ClientCount() == 1; }));
    EXPECT_LE(mostQueued, 2 * (limits.queueBytes + longest)) << "queues stay within their bound";
    ASSERT_TRUE(AllReceived({&keeper}, sent.size(), 2000))
        << keeper.got.size() << " of " << sent.size();
    EXPECT_EQ(keeper.got, sent) << "the client that keeps up is not held back";
}

TEST_F(ShareServerTest, WhatAClientSendsIsReadAndDropped) {
    Start();
    RawClient& noisy = Join();
    RawClient& quiet = Join();
    QByteArray garbage;
    while (garbage.size() < (1 << 20))
        garbage += "$GPGGA,000000,0000.0000,N,00000.0000,E,1,08,1.0,0.0,M,0.0,M,,*00\r\n\xff";
    const QByteArray capture = Capture();
    QByteArray sent;
    qsizetype pushed = 0;
    QDeadlineTimer deadline(10000);
    while (pushed < garbage.size() && !deadline.hasExpired()) {
        pushed += noisy.Send(garbage.mid(pushed, 65536));
        sent += capture;
        server->Send(capture);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        noisy.Read();
        quiet.Read();
    }
    EXPECT_EQ(pushed, garbage.size()) << "the server keeps taking in what it is sent";
    ASSERT_TRUE(AllReceived({&noisy, &quiet}, sent.size()));
    EXPECT_EQ(noisy.got, sent);
    EXPECT_EQ(quiet.got, sent);
    EXPECT_EQ(server->ClientCount(), 2);
}
