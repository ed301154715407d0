// The analyzer reads these sentences at fixed columns, so the tests index them the same way
// (1-based, column 1 is '$').

#include "nmea_sim.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velsor::sim;

namespace {

QByteArray cols(const QByteArray& s, int from, int to) {
    return s.mid(from - 1, to - from + 1);
}

// Column by column from column 1: '9' is any digit, anything else itself.
bool fits(const QByteArray& line, const QByteArray& mask) {
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const char c = i < line.size() ? line[i] : '\0';
        if (mask[i] == '9' ? (c < '0' || c > '9') : c != mask[i])
            return false;
    }
    return true;
}

const QDateTime kNoon(QDate(2002, 5, 6), QTime(12, 34, 56), Qt::UTC);

// Eleven satellites in view, PRN 2 untracked, the other ten used.
Epoch fixedEpoch() {
    Epoch e;
    e.utc = kNoon;
    e.position = {35.0 + 41.1234 / 60.0, 139.0 + 45.6789 / 60.0, 40.2};
    for (int i = 0; i < 11; ++i) {
        e.inView.push_back({i + 2, 5 + 7 * i, 9 + 31 * i, i == 0 ? 0 : 30 + i});
        if (i > 0)
            e.used.push_back(i + 2);
    }
    return e;
}

} // namespace

TEST(SimSentences, FixedColumnsOfBothTuners) {
    const Epoch e = fixedEpoch();
    EXPECT_TRUE(fits(ggaSentence(Tuner::Gt74, e), "$GPGGA,123456,3541.1234,N,13945.6789,E,1,10,"));
    const QList<QByteArray> gsv = gsvSentences(Tuner::Gt74, e);
    ASSERT_EQ(gsv.size(), 3);
    EXPECT_EQ(cols(gsv[0], 8, 26), "3,1,11,02,05,009,00"); // every field zero padded
    EXPECT_TRUE(fits(gsv[2], "$GPGSV,3,3,11,99,99,999,99,99,99,999,99,99,99,999,99*"));
    EXPECT_TRUE(fits(gsaSentence(e), "$GPGSA,A,3,03,04,05,06,07,08,09,10,11,12,,,"));
    EXPECT_EQ(cols(zdaSentence(e), 1, 25), "$GPZDA,123456,06,05,2002,");
    // Minutes that round up to 60 carry into the degrees.
    Epoch edge = e;
    edge.position = {35.0 + 59.99999 / 60.0, 139.9999999999, 0};
    EXPECT_EQ(cols(ggaSentence(Tuner::Gt74, edge), 15, 36), "3600.0000,N,14000.0000");

    // The CFGPS.
    EXPECT_TRUE(
        fits(ggaSentence(Tuner::Cfgps, e), "$GPGGA,123456.0,3541.1234,N,13945.6789,E,1,10,"));
    // The one-digit count caps the CFGPS at nine satellites.
    const QList<QByteArray> cf = gsvSentences(Tuner::Cfgps, e);
    ASSERT_EQ(cf.size(), 3);
    EXPECT_EQ(cols(cf[0], 8, 25), "3,1,9,02,05,009,00");
    EXPECT_TRUE(fits(cf[2], "$GPGSV,3,3,9,99,99,999,99*"));
    EXPECT_TRUE(
        fits(rmcSentence(e), "$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,99.9,999.9,060502,"));
}

TEST(SimFix, NoFixEmptiesThePositionAndTwoDRestsOnTheThreeStrongest) {
    const Epoch none = Generator(Tuner::Gt74, 7, FixSchedule{Period{10, 3}, {}}).epoch(kNoon, 8);
    ASSERT_EQ(none.fix, Fix::None);
    EXPECT_TRUE(fits(ggaSentence(Tuner::Gt74, none), "$GPGGA,123456,,,,,0,00,") &&
                fits(ggaSentence(Tuner::Cfgps, none), "$GPGGA,123456.0,,,,,0,00,") &&
                fits(gsaSentence(none), "$GPGSA,A,1,,,,,,,,,,,,,"));
    EXPECT_EQ(cols(zdaSentence(none), 15, 24), "06,05,2002") << "time and date stay";
    EXPECT_TRUE(fits(rmcSentence(none), "$GPRMC,123456.0,V,9999.9999,N,99999.9999,E,"));

    const Epoch e = Generator(Tuner::Cfgps, 3, FixSchedule{{}, Period{5, 2}}).epoch(kNoon, 4);
    ASSERT_EQ(e.fix, Fix::TwoD);
    EXPECT_TRUE(fits(gsaSentence(e), "$GPGSA,A,2,99,99,99,,,,,,,,,,"));
    EXPECT_EQ(cols(ggaSentence(Tuner::Cfgps, e), 41, 45), ",1,03");
    const auto used = [&](const Satellite& s) { return std::ranges::count(e.used, s.prn) > 0; };
    for (const Satellite& u : e.inView)
        for (const Satellite& s : e.inView)
            EXPECT_TRUE(!used(u) || used(s) || u.snr >= s.snr) << u.prn << " over " << s.prn;
}
