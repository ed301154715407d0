// The simulator's sentences are read by the analyzer at fixed character positions, so these
// tests index the generated text exactly as the decoder does (1-based, position 1 is '$').

#include "nmea_sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

using namespace velsor::sim;

namespace {

// Characters `from` to `to` inclusive, 1-based.
QByteArray cols(const QByteArray& s, int from, int to) { return s.mid(from - 1, to - from + 1); }
char col(const QByteArray& s, int pos) { return s.at(pos - 1); }

bool digits(const QByteArray& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Independent of the library: the checksum is the XOR of everything between '$' and '*'.
bool checksumOk(const QByteArray& line) {
    if (!line.startsWith('$') || !line.endsWith("\r\n")) {
        return false;
    }
    const qsizetype star = line.lastIndexOf('*');
    if (star < 0 || star + 5 != line.size()) {
        return false;
    }
    unsigned sum = 0;
    for (qsizetype i = 1; i < star; ++i) {
        sum ^= static_cast<unsigned char>(line[i]);
    }
    return line.mid(star + 1, 2) == QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

QList<QByteArray> fields(const QByteArray& line) {
    return line.left(line.lastIndexOf('*')).split(',');
}

const QDateTime kNoon = QDateTime(QDate(2002, 5, 6), QTime(12, 34, 56), Qt::UTC);

Epoch fixedEpoch(int satellites) {
    Epoch e;
    e.utc = kNoon;
    e.fix = Fix::ThreeD;
    e.position = {35.0 + 41.1234 / 60.0, 139.0 + 45.6789 / 60.0, 40.2};
    for (int i = 0; i < satellites; ++i) {
        e.inView.push_back({i + 2, 5 + 7 * i, 9 + 31 * i, i == 0 ? 0 : 30 + i});
    }
    for (int i = 1; i < std::min(satellites, 13); ++i) {
        e.used.push_back(i + 2);
    }
    return e;
}

void expectGgaLayout(Tuner tuner, const QByteArray& gga, bool withFix) {
    SCOPED_TRACE(gga.toStdString());
    const int shift = tuner == Tuner::Gt74 ? 0 : 2; // hhmmss.s pushes everything two columns
    EXPECT_EQ(cols(gga, 1, 7), "$GPGGA,");
    EXPECT_TRUE(digits(cols(gga, 8, 13)));
    if (tuner == Tuner::Cfgps) {
        EXPECT_EQ(col(gga, 14), '.');
        EXPECT_TRUE(digits(cols(gga, 15, 15)));
    }
    EXPECT_EQ(col(gga, 14 + shift), ',');
    if (!withFix) {
        return;
    }
    EXPECT_TRUE(digits(cols(gga, 15 + shift, 18 + shift)));
    EXPECT_EQ(col(gga, 19 + shift), '.');
    EXPECT_TRUE(digits(cols(gga, 20 + shift, 23 + shift)));
    EXPECT_EQ(cols(gga, 24 + shift, 25 + shift), ",N");
    EXPECT_EQ(col(gga, 26 + shift), ',');
    EXPECT_TRUE(digits(cols(gga, 27 + shift, 31 + shift)));
    EXPECT_EQ(col(gga, 32 + shift), '.');
    EXPECT_TRUE(digits(cols(gga, 33 + shift, 36 + shift)));
    EXPECT_EQ(cols(gga, 37 + shift, 38 + shift), ",E");
}

// Blocks of exactly ",nn,ee,aaa,ss" from the first comma up to the '*'.
void expectGsvLayout(Tuner tuner, const QByteArray& gsv, int inView) {
    SCOPED_TRACE(gsv.toStdString());
    EXPECT_EQ(cols(gsv, 1, 7), "$GPGSV,");
    const int firstComma = tuner == Tuner::Gt74 ? 14 : 13;
    const QByteArray count = tuner == Tuner::Gt74 ? cols(gsv, 12, 13) : cols(gsv, 12, 12);
    EXPECT_EQ(count.toInt(), inView);
    EXPECT_EQ(count.size(), tuner == Tuner::Gt74 ? 2 : 1);
    int pos = firstComma;
    while (col(gsv, pos) == ',') {
        EXPECT_TRUE(digits(cols(gsv, pos + 1, pos + 2)));
        EXPECT_EQ(col(gsv, pos + 3), ',');
        EXPECT_TRUE(digits(cols(gsv, pos + 4, pos + 5)));
        EXPECT_EQ(col(gsv, pos + 6), ',');
        EXPECT_TRUE(digits(cols(gsv, pos + 7, pos + 9)));
        EXPECT_EQ(col(gsv, pos + 10), ',');
        EXPECT_TRUE(digits(cols(gsv, pos + 11, pos + 12)));
        pos += 13;
    }
    EXPECT_EQ(col(gsv, pos), '*');
}

// Used slots two digits each at 12, 15, ... with the empty ones only after the last used one.
QList<QByteArray> gsaSlots(const QByteArray& gsa) {
    QList<QByteArray> slots;
    for (int k = 0; k < 12; ++k) {
        const QByteArray slot = cols(gsa, 12 + 3 * k, 13 + 3 * k);
        if (!digits(slot)) {
            break;
        }
        EXPECT_EQ(col(gsa, 14 + 3 * k), ',');
        slots.push_back(slot);
    }
    const QList<QByteArray> f = fields(gsa);
    for (qsizetype i = 3 + slots.size(); i < 15; ++i) {
        EXPECT_TRUE(f[i].isEmpty()) << "slot " << i - 2 << " after an empty one";
    }
    return slots;
}

} // namespace

TEST(SimChecksum, MatchesKnownSentenceAndFramesWithCrLf) {
    // A widely published example sentence with its checksum.
    const QByteArray known = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    EXPECT_EQ(frame(known.mid(1, known.indexOf('*') - 1)), known);
    EXPECT_EQ(checksum("GPGSA,A,1,,,,,,,,,,,,,,,"), 0x1E);
}

TEST(SimLayoutGt74, FixedEpochHitsEveryColumn) {
    const Epoch e = fixedEpoch(11);
    const QByteArray gga = ggaSentence(Tuner::Gt74, e);
    expectGgaLayout(Tuner::Gt74, gga, true);
    EXPECT_EQ(cols(gga, 8, 13), "123456");
    EXPECT_EQ(cols(gga, 15, 23), "3541.1234");
    EXPECT_EQ(cols(gga, 27, 36), "13945.6789");
    EXPECT_EQ(fields(gga)[6], "1");
    EXPECT_EQ(fields(gga)[7], "10"); // the dispatcher's "field 7": satellites used

    const QList<QByteArray> gsv = gsvSentences(Tuner::Gt74, e);
    ASSERT_EQ(gsv.size(), 3);
    for (const QByteArray& s : gsv) {
        expectGsvLayout(Tuner::Gt74, s, 11);
    }
    EXPECT_EQ(cols(gsv[0], 8, 11), "3,1,");
    EXPECT_EQ(cols(gsv[0], 15, 26), "02,05,009,00"); // zero padding of every field
    EXPECT_EQ(cols(gsv[1], 10, 10), "2");
    EXPECT_EQ(cols(gsv[1], 15, 16), "06");
    EXPECT_EQ(cols(gsv[2], 15, 16), "10");
    EXPECT_EQ(col(gsv[2], 14 + 3 * 13), '*');

    const QByteArray gsa = gsaSentence(e);
    EXPECT_EQ(col(gsa, 8), 'A');
    EXPECT_EQ(col(gsa, 10), '3');
    const QList<QByteArray> slots = gsaSlots(gsa);
    EXPECT_EQ(slots, (QList<QByteArray>{"03", "04", "05", "06", "07", "08", "09", "10", "11", "12"}));

    const QByteArray zda = zdaSentence(e);
    EXPECT_EQ(cols(zda, 1, 7), "$GPZDA,");
    EXPECT_EQ(cols(zda, 8, 13), "123456");
    EXPECT_EQ(cols(zda, 15, 16), "06");
    EXPECT_EQ(cols(zda, 18, 19), "05");
    EXPECT_EQ(cols(zda, 21, 24), "2002");

    const QList<QByteArray> all = sentences(Tuner::Gt74, e);
    ASSERT_EQ(all.size(), 6);
    EXPECT_TRUE(all.front().startsWith("$GPGGA") && all.back().startsWith("$GPZDA"));
    for (const QByteArray& s : all) {
        EXPECT_TRUE(checksumOk(s)) << s.toStdString();
    }
}

TEST(SimLayoutCfgps, FixedEpochHitsEveryColumn) {
    const Epoch e = fixedEpoch(9);
    const QByteArray gga = ggaSentence(Tuner::Cfgps, e);
    expectGgaLayout(Tuner::Cfgps, gga, true);
    EXPECT_EQ(cols(gga, 8, 15), "123456.0");
    EXPECT_EQ(cols(gga, 17, 25), "3541.1234");
    EXPECT_EQ(cols(gga, 29, 38), "13945.6789");

    const QList<QByteArray> gsv = gsvSentences(Tuner::Cfgps, e);
    ASSERT_EQ(gsv.size(), 3);
    for (const QByteArray& s : gsv) {
        expectGsvLayout(Tuner::Cfgps, s, 9);
    }
    EXPECT_EQ(cols(gsv[0], 8, 14), "3,1,9,0");
    EXPECT_EQ(cols(gsv[0], 14, 25), "02,05,009,00");
    EXPECT_EQ(col(gsv[2], 13 + 13), '*'); // message 3 carries the ninth satellite only

    const QByteArray rmc = rmcSentence(e);
    EXPECT_EQ(cols(rmc, 1, 7), "$GPRMC,");
    EXPECT_EQ(cols(rmc, 8, 15), "123456.0");
    EXPECT_EQ(col(rmc, 17), 'A');
    EXPECT_EQ(cols(rmc, 55, 60), "060502");
    EXPECT_EQ(fields(rmc)[9], "060502");

    const QList<QByteArray> all = sentences(Tuner::Cfgps, e);
    EXPECT_TRUE(all.back().startsWith("$GPRMC"));
    for (const QByteArray& s : all) {
        EXPECT_TRUE(checksumOk(s)) << s.toStdString();
        EXPECT_FALSE(s.startsWith("$GPZDA"));
    }
}

TEST(SimLayoutCfgps, CountFieldNeverGetsASecondDigit) {
    const QList<QByteArray> gsv = gsvSentences(Tuner::Cfgps, fixedEpoch(11));
    ASSERT_EQ(gsv.size(), 3);
    for (const QByteArray& s : gsv) {
        expectGsvLayout(Tuner::Cfgps, s, 9);
    }
}

TEST(SimLayout, EmptySkyStillSendsOneGsv) {
    const QList<QByteArray> gsv = gsvSentences(Tuner::Gt74, fixedEpoch(0));
    ASSERT_EQ(gsv.size(), 1);
    EXPECT_TRUE(gsv[0].startsWith("$GPGSV,1,1,00*"));
}

TEST(SimLayout, PositionRoundingCarriesIntoWholeMinutesAndDegrees) {
    Epoch e = fixedEpoch(4);
    e.position.latitude = 35.0 + 59.99999 / 60.0;
    e.position.longitude = 139.9999999999;
    const QByteArray gga = ggaSentence(Tuner::Gt74, e);
    EXPECT_EQ(cols(gga, 15, 23), "3600.0000");
    EXPECT_EQ(cols(gga, 27, 36), "14000.0000");
}

TEST(SimLayout, DateAndTimeFieldsAcrossMidnightAndYearEnd) {
    Epoch e = fixedEpoch(8);
    e.utc = QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59), Qt::UTC);
    EXPECT_EQ(cols(zdaSentence(e), 8, 24), "235959,31,12,2099");
    EXPECT_EQ(cols(rmcSentence(e), 55, 60), "311299");
    e.utc = QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0), Qt::UTC);
    EXPECT_EQ(cols(zdaSentence(e), 8, 24), "000000,01,01,2100");
    EXPECT_EQ(cols(rmcSentence(e), 55, 60), "010100");
}

TEST(SimFixPeriods, NoFixEmptiesPositionButKeepsTimeAndDate) {
    const Generator g(Tuner::Gt74, 7, FixSchedule{Period{10, 3}, Period{}});
    const Epoch e = g.epoch(kNoon, 8);
    ASSERT_EQ(e.fix, Fix::None);
    EXPECT_TRUE(e.used.empty());

    const QByteArray gga = ggaSentence(Tuner::Gt74, e);
    expectGgaLayout(Tuner::Gt74, gga, false);
    EXPECT_EQ(cols(gga, 8, 13), "123456");
    const QList<QByteArray> f = fields(gga);
    EXPECT_TRUE(f[2].isEmpty() && f[3].isEmpty() && f[4].isEmpty() && f[5].isEmpty());
    EXPECT_EQ(f[6], "0");
    EXPECT_EQ(f[7], "00");

    const QByteArray gsa = gsaSentence(e);
    EXPECT_EQ(col(gsa, 10), '1');
    EXPECT_TRUE(gsaSlots(gsa).isEmpty());
    EXPECT_EQ(col(gsa, 12), ','); // the decoder's "no satellite listed" test

    EXPECT_EQ(cols(zdaSentence(e), 15, 24), "06,05,2002");

    const Epoch e1 = Generator(Tuner::Cfgps, 7, FixSchedule{Period{10, 3}, Period{}}).epoch(kNoon, 8);
    const QByteArray rmc = rmcSentence(e1);
    EXPECT_EQ(col(rmc, 17), 'V');
    EXPECT_EQ(cols(rmc, 55, 60), "060502");
    const QByteArray gga1 = ggaSentence(Tuner::Cfgps, e1);
    EXPECT_EQ(cols(gga1, 8, 15), "123456.0");
    EXPECT_EQ(fields(gga1)[6], "0");
}

TEST(SimFixPeriods, TwoDimensionalFixUsesThreeSatellites) {
    const Generator g(Tuner::Cfgps, 3, FixSchedule{Period{}, Period{5, 2}});
    const Epoch e = g.epoch(kNoon, 4);
    ASSERT_EQ(e.fix, Fix::TwoD);
    const QByteArray gsa = gsaSentence(e);
    EXPECT_EQ(col(gsa, 10), '2');
    EXPECT_EQ(gsaSlots(gsa).size(), 3);
    const QByteArray gga = ggaSentence(Tuner::Cfgps, e);
    expectGgaLayout(Tuner::Cfgps, gga, true);
    EXPECT_EQ(fields(gga)[7], "03");
    // The strongest satellites carry the fix.
    int weakestUsed = 99;
    int strongestUnused = 0;
    for (const Satellite& s : e.inView) {
        if (std::find(e.used.begin(), e.used.end(), s.prn) != e.used.end()) {
            weakestUsed = std::min(weakestUsed, s.snr);
        } else {
            strongestUnused = std::max(strongestUnused, s.snr);
        }
    }
    EXPECT_GE(weakestUsed, strongestUnused);
}

TEST(SimFixPeriods, ScheduleTakesTheLastSecondsOfEachPeriodAndNoFixWins) {
    const FixSchedule schedule{Period{10, 3}, Period{4, 2}};
    std::string pattern;
    for (int s = 0; s < 20; ++s) {
        const Fix f = schedule.at(s);
        pattern += f == Fix::None ? '-' : f == Fix::TwoD ? '2' : '3';
    }
    EXPECT_EQ(pattern, "3322332---2233223---");
    EXPECT_FALSE(Period{}.contains(5));
    EXPECT_TRUE((Period{5, 5}.contains(0))); // every second of the run
}

// Runs of generated output: every sentence of every second keeps its layout and checksum,
// through fix changes and satellites rising and setting.
TEST(SimGenerated, EverySentenceOfAnHourKeepsItsLayout) {
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        const Generator g(tuner, 11, FixSchedule{Period{60, 10}, Period{25, 5}});
        for (std::int64_t s = 0; s < 3600; s += 7) {
            const QDateTime utc = kNoon.addSecs(s);
            const Epoch e = g.epoch(utc, s);
            const QList<QByteArray> out = sentences(tuner, e);
            const QByteArray burst = g.burst(utc, s);
            EXPECT_EQ(burst, out.join());
            for (const QByteArray& line : out) {
                ASSERT_TRUE(checksumOk(line)) << line.toStdString();
            }
            expectGgaLayout(tuner, out[0], e.fix != Fix::None);
            EXPECT_EQ(cols(out[0], 8, 13), utc.toString("hhmmss").toLatin1());
            EXPECT_EQ(gsaSlots(out[1]).size(), static_cast<qsizetype>(e.used.size()));
            EXPECT_EQ(fields(out[0])[7].toInt(), static_cast<int>(e.used.size()));
            for (qsizetype i = 2; i < out.size() - 1; ++i) {
                expectGsvLayout(tuner, out[i], static_cast<int>(e.inView.size()));
            }
            if (tuner == Tuner::Cfgps) {
                EXPECT_EQ(cols(out.back(), 55, 60), utc.toString("ddMMyy").toLatin1());
            } else {
                EXPECT_EQ(cols(out.back(), 15, 24), utc.toString("dd,MM,yyyy").toLatin1());
            }
            if (HasFailure()) {
                return;
            }
        }
    }
}

TEST(SimSky, CountStaysInTheModelsRangeAndChanges) {
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        for (std::uint64_t seed = 1; seed <= 5; ++seed) {
            const Sky sky(seed, tuner);
            std::set<std::size_t> counts;
            for (std::int64_t s = 0; s < 4 * 3600; s += 10) {
                const auto sats = sky.at(s);
                counts.insert(sats.size());
                ASSERT_GE(sats.size(), static_cast<std::size_t>(viewRange(tuner).fewest));
                ASSERT_LE(sats.size(), static_cast<std::size_t>(viewRange(tuner).most));
                for (std::size_t i = 1; i < sats.size(); ++i) {
                    ASSERT_LT(sats[i - 1].prn, sats[i].prn);
                }
            }
            EXPECT_GT(counts.size(), 1u) << "seed " << seed << ": nothing rises or sets";
        }
    }
    EXPECT_LE(viewRange(Tuner::Cfgps).most, 9);
}

TEST(SimSky, MotionIsContinuousSlowAndVisible) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        const Sky sky(seed, Tuner::Gt74);
        std::map<int, Satellite> before;
        for (const Satellite& s : sky.at(0)) {
            before[s.prn] = s;
        }
        for (std::int64_t t = 1; t <= 2 * 3600; ++t) {
            std::map<int, Satellite> now;
            for (const Satellite& s : sky.at(t)) {
                now[s.prn] = s;
                const auto prev = before.find(s.prn);
                if (prev == before.end()) {
                    ASSERT_LE(s.elevation, 1) << "PRN " << s.prn << " appeared mid-sky at " << t;
                    continue;
                }
                const Satellite& p = prev->second;
                ASSERT_LE(std::abs(s.elevation - p.elevation), 1) << "PRN " << s.prn << " at " << t;
                const int daz = std::abs(s.azimuth - p.azimuth);
                ASSERT_LE(std::min(daz, 360 - daz), 1) << "PRN " << s.prn << " at " << t;
                if (s.elevation >= 5 && p.elevation >= 5) {
                    ASSERT_LE(std::abs(s.snr - p.snr), 6) << "PRN " << s.prn << " at " << t;
                }
            }
            for (const auto& [prn, p] : before) {
                if (!now.contains(prn)) {
                    ASSERT_LE(p.elevation, 1) << "PRN " << prn << " vanished mid-sky at " << t;
                }
            }
            before = std::move(now);
        }
    }
    // Drift must be visible within minutes: every satellite's azimuth moves at least 1 deg/min.
    const Sky sky(1, Tuner::Gt74);
    std::map<int, int> azimuthAtStart;
    for (const Satellite& s : sky.at(0)) {
        azimuthAtStart[s.prn] = s.azimuth;
    }
    for (const Satellite& s : sky.at(600)) {
        if (azimuthAtStart.contains(s.prn)) {
            const int d = std::abs(s.azimuth - azimuthAtStart[s.prn]);
            EXPECT_GE(std::min(d, 360 - d), 8) << "PRN " << s.prn;
        }
    }
}

TEST(SimSky, SnrFollowsElevationAndVanishesNearTheHorizon) {
    EXPECT_EQ(snrForElevation(4, 2), 0);
    EXPECT_EQ(snrForElevation(0, 0), 0);
    EXPECT_EQ(snrForElevation(5, -2), 29);
    EXPECT_EQ(snrForElevation(45, 0), 45);
    EXPECT_EQ(snrForElevation(90, 2), 50);

    const Sky sky(2, Tuner::Gt74);
    int low = 0;
    for (std::int64_t t = 0; t < 3 * 3600; t += 5) {
        for (const Satellite& s : sky.at(t)) {
            if (s.elevation < 5) {
                ++low;
                ASSERT_EQ(s.snr, 0);
            } else {
                ASSERT_GE(s.snr, std::min(50, 30 + s.elevation / 3 - 2));
                ASSERT_LE(s.snr, std::min(50, 30 + s.elevation / 3 + 2));
            }
        }
    }
    EXPECT_GT(low, 0) << "no satellite ever near the horizon";
}

TEST(SimSky, SameSeedSameSkyOtherSeedOtherSky) {
    EXPECT_EQ(Sky(42, Tuner::Gt74).at(1234), Sky(42, Tuner::Gt74).at(1234));
    EXPECT_NE(Sky(42, Tuner::Gt74).at(1234), Sky(43, Tuner::Gt74).at(1234));
    const Generator a(Tuner::Gt74, 9, {});
    EXPECT_EQ(a.burst(kNoon, 77), Generator(Tuner::Gt74, 9, {}).burst(kNoon, 77));
}

TEST(SimPosition, StaysWithinAFewMetresOfTokyo) {
    const double lat0 = 35.0 + 41.0 / 60.0;
    const double lon0 = 139.0 + 45.0 / 60.0;
    std::set<double> seen;
    for (std::int64_t s = 0; s < 500; ++s) {
        const Position p = positionAt(1, s);
        seen.insert(p.latitude);
        EXPECT_NEAR(p.latitude, lat0, 0.0001); // about 11 m
        EXPECT_NEAR(p.longitude, lon0, 0.0001);
        EXPECT_NEAR(p.altitude, 40.0, 2.0);
    }
    EXPECT_GT(seen.size(), 100u) << "no jitter";
}
