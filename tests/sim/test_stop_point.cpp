// Where a replay whose --seconds are up stops: at a line boundary, after a sentence under way,
// but never at the end of an endless line.

#include "line_pacer.h"

#include <gtest/gtest.h>

#include <QByteArray>

using namespace velsor::sim;

TEST(SimStopPoint, FinishesSentencesNotEndlessLines) {
    const QByteArray sentences = "$GPGGA,1*00\r\n$GPGSA,2*00\r\n";
    const QByteArray endless = "$GPGGA,1*00\r\n" + QByteArray(20 << 20, 'x') + "\r\n";
    const QByteArray unended = "$GPGGA,1*00\r\n$GPGSA";
    const struct {
        const QByteArray& data;
        qsizetype pos, stop;
    } cases[] = {
        {sentences, 0, 0},
        {sentences, 13, 13}, // on a boundary
        {sentences, 5, 13},
        {sentences, 20, 26}, // the sentence under way
        {endless, 20, 20},
        {endless, endless.size() - 10, endless.size()}, // its last bytes
        {unended, 15, unended.size()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stopPoint(c.data, c.pos), c.stop) << c.pos;
}
