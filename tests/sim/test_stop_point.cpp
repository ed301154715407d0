// Where a replay whose --seconds are up stops: at a line boundary, after a sentence under way,
// never at the end of an endless line.

#include "line_pacer.h"

#include <gtest/gtest.h>

#include <QByteArray>

TEST(SimStopPoint, FinishesSentencesNotEndlessLines) {
    const QByteArray two = "$GPGGA,1*00\r\n$GPGSA,2*00\r\n", cut = "$GPGGA,1*00\r\n$GPGSA";
    const QByteArray endless = "$GPGGA,1*00\r\n" + QByteArray(20 << 20, 'x') + "\r\n";
    const std::tuple<const QByteArray&, qsizetype, qsizetype> cases[] = {
        {two, 0, 0},           {two, 13, 13},     {two, 5, 13},
        {two, 20, 26},         {endless, 20, 20}, {endless, endless.size() - 10, endless.size()},
        {cut, 15, cut.size()},
    };
    for (const auto& [data, pos, stop] : cases)
        EXPECT_EQ(velsor::sim::stopPoint(data, pos), stop) << pos;
}
