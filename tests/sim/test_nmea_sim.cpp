// The analyzer reads these sentences at fixed columns, so the tests index them the same way
// (1-based, column 1 is '$').

#include "nmea_sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace velsor::sim;

namespace {

QByteArray cols(const QByteArray& s, int from, int to) {
    return s.mid(from - 1, to - from + 1);
}

// Column by column from column 1: '9' is any digit, anything else itself.
bool fits(const QByteArray& line, const QByteArray& mask) {
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const char c = i < line.size() ? line[i] : '\0';
        if (mask[i] == '9' ? (c < '0' || c > '9') : c != mask[i]) {
            return false;
        }
    }
    return true;
}

QByteArray gsvMask(Tuner tuner, qsizetype blocks) {
    return QByteArray("$GPGSV,9,9,") + (tuner == Tuner::Gt74 ? "99" : "9") +
           QByteArray(",99,99,999,99").repeated(blocks) + '*';
}

// Worked out here rather than with the library: XOR of everything between '$' and '*'.
bool checksumOk(const QByteArray& line) {
    const qsizetype star = line.lastIndexOf('*');
    unsigned sum = 0;
    for (qsizetype i = 1; i < star; ++i) {
        sum ^= static_cast<unsigned char>(line[i]);
    }
    return line.startsWith('$') && star + 5 == line.size() && line.endsWith("\r\n") &&
           line.mid(star + 1, 2) == QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

// GSA used-satellite slots, two digits at 12, 15, ...; empty ones may only trail.
qsizetype usedSlots(const QByteArray& gsa) {
    const QList<QByteArray> f = gsa.left(gsa.indexOf('*')).split(',');
    qsizetype n = 0;
    while (n < 12 && !f[3 + n].isEmpty()) {
        ++n;
    }
    EXPECT_TRUE(std::all_of(f.begin() + 3 + n, f.begin() + 15, [](auto& s) { return s.isEmpty(); }))
        << gsa.toStdString();
    EXPECT_TRUE(fits(gsa, "$GPGSA,A,9" + QByteArray(",99").repeated(n) + ',')) << gsa.toStdString();
    return n;
}

const QDateTime kNoon(QDate(2002, 5, 6), QTime(12, 34, 56), Qt::UTC);

Epoch fixedEpoch(int satellites) {
    Epoch e;
    e.utc = kNoon;
    e.position = {35.0 + 41.1234 / 60.0, 139.0 + 45.6789 / 60.0, 40.2};
    for (int i = 0; i < satellites; ++i) {
        e.inView.push_back({i + 2, 5 + 7 * i, 9 + 31 * i, i == 0 ? 0 : 30 + i});
        if (i > 0) {
            e.used.push_back(i + 2);
        }
    }
    return e;
}

} // namespace

TEST(SimSentences, ColumnsOfAFixedSecondInBothLayouts) {
    const QByteArray known =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    EXPECT_EQ(frame(known.mid(1, known.indexOf('*') - 1)), known);

    const Epoch e = fixedEpoch(11);
    EXPECT_TRUE(fits(ggaSentence(Tuner::Gt74, e), "$GPGGA,123456,3541.1234,N,13945.6789,E,1,10,"));
    EXPECT_TRUE(
        fits(ggaSentence(Tuner::Cfgps, e), "$GPGGA,123456.0,3541.1234,N,13945.6789,E,1,10,"));
    const QList<QByteArray> gsv0 = gsvSentences(Tuner::Gt74, e);
    ASSERT_EQ(gsv0.size(), 3);
    EXPECT_EQ(cols(gsv0[0], 8, 26), "3,1,11,02,05,009,00"); // every field zero padded
    EXPECT_EQ(cols(gsv0[1], 10, 16), "2,11,06");
    // The one-digit count caps the CFGPS at nine satellites.
    const QList<QByteArray> gsv1 = gsvSentences(Tuner::Cfgps, e);
    EXPECT_EQ(cols(gsv1[0], 8, 25), "3,1,9,02,05,009,00");
    EXPECT_TRUE(fits(gsv1[2], gsvMask(Tuner::Cfgps, 1)));
    EXPECT_EQ(cols(gsaSentence(e), 8, 10), "A,3");
    EXPECT_EQ(cols(zdaSentence(e), 1, 25), "$GPZDA,123456,06,05,2002,");
    EXPECT_EQ(cols(rmcSentence(e), 55, 60), "060502");

    // Minutes that round up to 60 carry into the degrees.
    Epoch edge = e;
    edge.position = {35.0 + 59.99999 / 60.0, 139.9999999999, 0};
    EXPECT_EQ(cols(ggaSentence(Tuner::Gt74, edge), 15, 36), "3600.0000,N,14000.0000");
}

TEST(SimFix, NoFixEmptiesThePositionButKeepsTimeAndDate) {
    const FixSchedule noFix{Period{10, 3}, Period{}};
    const Epoch e = Generator(Tuner::Gt74, 7, noFix).epoch(kNoon, 8);
    ASSERT_EQ(e.fix, Fix::None);
    EXPECT_TRUE(fits(ggaSentence(Tuner::Gt74, e), "$GPGGA,123456,,,,,0,00,"));
    EXPECT_TRUE(fits(ggaSentence(Tuner::Cfgps, e), "$GPGGA,123456.0,,,,,0,00,"));
    EXPECT_TRUE(fits(gsaSentence(e), "$GPGSA,A,1,,,,,,,,,,,,,"));
    EXPECT_EQ(cols(zdaSentence(e), 15, 24), "06,05,2002");
    EXPECT_TRUE(
        fits(rmcSentence(e), "$GPRMC,123456.0,V,9999.9999,N,99999.9999,E,99.9,999.9,060502"));
}

TEST(SimFix, TwoDimensionalFixRestsOnTheThreeStrongest) {
    const Epoch e = Generator(Tuner::Cfgps, 3, FixSchedule{Period{}, Period{5, 2}}).epoch(kNoon, 4);
    ASSERT_EQ(e.fix, Fix::TwoD);
    EXPECT_EQ(cols(gsaSentence(e), 10, 10), "2");
    EXPECT_EQ(usedSlots(gsaSentence(e)), 3);
    EXPECT_EQ(cols(ggaSentence(Tuner::Cfgps, e), 41, 45), ",1,03");
    for (const Satellite& s : e.inView) {
        for (const Satellite& u : e.inView) {
            if (std::count(e.used.begin(), e.used.end(), u.prn) &&
                !std::count(e.used.begin(), e.used.end(), s.prn)) {
                EXPECT_GE(u.snr, s.snr);
            }
        }
    }
}

TEST(SimFix, ScheduleTakesTheLastSecondsOfEachPeriodAndNoFixWins) {
    const FixSchedule schedule{Period{10, 3}, Period{4, 2}};
    std::string pattern;
    for (int s = 0; s < 20; ++s) {
        pattern += "-23"[static_cast<int>(schedule.at(s))];
    }
    EXPECT_EQ(pattern, "3322332---2233223---");
}

// An hour of generated output through fix changes and satellites rising and setting: every
// sentence keeps its columns and checksum and agrees with the others.
TEST(SimGenerated, AnHourOfSecondsKeepsEveryColumn) {
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        const bool gt74 = tuner == Tuner::Gt74;
        const Generator g(tuner, 11, FixSchedule{Period{60, 10}, Period{25, 5}});
        for (std::int64_t s = 0; s < 3600 && !HasFailure(); s += 7) {
            const QDateTime utc = kNoon.addSecs(s);
            const Epoch e = g.epoch(utc, s);
            const QList<QByteArray> out = sentences(tuner, e);
            EXPECT_EQ(g.burst(utc, s), out.join());
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), checksumOk));
            const QByteArray used = QByteArray::number(e.used.size()).rightJustified(2, '0');
            const QByteArray gga =
                "$GPGGA," + utc.toString(gt74 ? "hhmmss," : "hhmmss.0,").toLatin1();
            EXPECT_TRUE(fits(
                out[0],
                gga + (e.fix == Fix::None ? ",,,,0,00," : "9999.9999,N,99999.9999,E,1," + used)))
                << out[0].toStdString();
            EXPECT_EQ(usedSlots(out[1]), static_cast<qsizetype>(e.used.size()));
            const auto inView = static_cast<qsizetype>(e.inView.size());
            for (qsizetype i = 2; i < out.size() - 1; ++i) {
                EXPECT_TRUE(
                    fits(out[i], gsvMask(tuner, std::min<qsizetype>(4, inView - 4 * (i - 2)))))
                    << out[i].toStdString();
                EXPECT_EQ(cols(out[i], 12, gt74 ? 13 : 12).toInt(), inView);
            }
            EXPECT_EQ(gt74 ? cols(out.back(), 8, 24) : cols(out.back(), 55, 60),
                      utc.toString(gt74 ? "hhmmss,dd,MM,yyyy" : "ddMMyy").toLatin1());
        }
    }
}

TEST(SimSky, CountStaysInRangeAndSomethingRisesOrSets) {
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        for (std::uint64_t seed = 1; seed <= 5; ++seed) {
            std::set<std::size_t> counts;
            for (std::int64_t s = 0; s < 4 * 3600; s += 10) {
                counts.insert(Sky(seed, tuner).at(s).size());
            }
            EXPECT_GE(*counts.begin(), static_cast<std::size_t>(viewRange(tuner).fewest));
            EXPECT_LE(*counts.rbegin(), static_cast<std::size_t>(viewRange(tuner).most));
            EXPECT_GT(counts.size(), 1u) << "seed " << seed;
        }
    }
    EXPECT_LE(viewRange(Tuner::Cfgps).most, 9);
    EXPECT_EQ(Sky(42, Tuner::Gt74).at(1234), Sky(42, Tuner::Gt74).at(1234));
    EXPECT_NE(Sky(42, Tuner::Gt74).at(1234), Sky(43, Tuner::Gt74).at(1234));
}

TEST(SimSky, MotionIsContinuousSlowButVisibleAndSnrFollowsElevation) {
    const auto byPrn = [](const std::vector<Satellite>& sats) {
        std::map<int, Satellite> m;
        for (const Satellite& s : sats) {
            m[s.prn] = s;
        }
        return m;
    };
    const auto turn = [](int a, int b) { return std::min(std::abs(a - b), 360 - std::abs(a - b)); };
    const Sky sky(1, Tuner::Gt74);
    std::map<int, Satellite> before = byPrn(sky.at(0));
    int nearHorizon = 0;
    for (std::int64_t t = 1; t <= 2 * 3600; ++t) {
        std::map<int, Satellite> now = byPrn(sky.at(t));
        for (const auto& [prn, s] : now) {
            const int mid = 30 + s.elevation / 3;
            nearHorizon += s.elevation < 5;
            ASSERT_TRUE(s.elevation < 5 ? s.snr == 0 : std::abs(s.snr - std::min(50, mid)) <= 2)
                << s.elevation << " " << s.snr;
            const auto p = before.find(prn);
            // Satellites come and go at the horizon, never in mid-sky.
            ASSERT_TRUE(p != before.end() || s.elevation <= 1) << prn << " rose at " << t;
            if (p != before.end()) {
                ASSERT_LE(std::abs(s.elevation - p->second.elevation), 1) << prn << " at " << t;
                ASSERT_LE(turn(s.azimuth, p->second.azimuth), 1) << prn << " at " << t;
            }
        }
        for (const auto& [prn, p] : before) {
            ASSERT_TRUE(now.contains(prn) || p.elevation <= 1) << prn << " set at " << t;
        }
        before = std::move(now);
    }
    EXPECT_GT(nearHorizon, 0);
    // At least a degree a minute of azimuth, so the sky plot visibly moves.
    std::map<int, Satellite> later = byPrn(sky.at(600));
    for (const auto& [prn, s] : byPrn(sky.at(0))) {
        EXPECT_TRUE(!later.contains(prn) || turn(s.azimuth, later[prn].azimuth) >= 8) << prn;
    }
}
