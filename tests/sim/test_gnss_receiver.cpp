// The simulated multi-GNSS receiver: what a current receiver writes, checked field by field and
// by gpsd's own decoder.

#include "line_pacer.h"
#include "nmea_sim.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <map>
#include <set>

using namespace velsor::sim;

namespace {

const QDateTime kUtc(QDate(2026, 12, 7), QTime(5, 30, 0), Qt::UTC);

// Sentences of one second, split and checked for framing: '$', a body, '*', two hex digits of
// the XOR of the body, CR LF.
QList<QByteArray> Checked(const QByteArray& burst) {
    QList<QByteArray> bodies;
    for (const QByteArray& line : burst.split('\n')) {
        if (line.isEmpty())
            continue;
        const qsizetype star = line.lastIndexOf('*');
        EXPECT_TRUE(line.startsWith('$') && line.endsWith('\r') && star == line.size() - 4)
            << line.toStdString();
        const QByteArray body = line.mid(1, star - 1);
        EXPECT_EQ(line.mid(star + 1, 2).toUInt(nullptr, 16), checksum(body)) << line.toStdString();
        bodies << body;
    }
    return bodies;
}

} // namespace

// Fix, position and counts are gpsdecode's to check (below); here the framing and the parts of
// a second that decoders of older NMEA versions would not notice.
TEST(SimGnss, SentencesOfASecondAtEitherLineSpeed) {
    for (const auto& [baud, extras] : {std::pair{115200, 4}, {9600, 0}}) {
        Generator gen(Tuner::Gnss, 7, {});
        gen.setLineBytes(lineBytesPerSecond(baud));
        const QByteArray burst = gen.burst(kUtc, 100);
        EXPECT_LE(burst.size(), lineBytesPerSecond(baud)) << "fits the line";
        std::map<QByteArray, int> kinds;
        int announced = 0, listed = 0, ids = 0; // satellites the GSV groups announce and list
        for (const QByteArray& body : Checked(burst)) {
            const QList<QByteArray> f = body.split(',');
            ++kinds[f[0]];
            if (f[0] == "GNGGA") {
                EXPECT_TRUE(f[1] == "053000.00" && f[2].size() == 10 && f[2][4] == '.')
                    << "hhmmss.ss, ddmm.mmmmm";
            }
            if (f[0] == "GNGSA") {
                EXPECT_EQ(f.value(18).toInt(), ++ids) << "one per system, 12 slots and its id";
            }
            if (f[0].endsWith("GSV")) {
                announced += f[2] == "1" ? f[3].toInt() : 0;
                listed += (static_cast<int>(f.size()) - 5) / 4;
                EXPECT_EQ(f.last(), f[0] == "GAGSV" ? "7" : "1") << "signal id";
            }
        }
        EXPECT_EQ(ids, 4);
        EXPECT_EQ(kinds["GNVTG"] + kinds["GNGNS"] + kinds["GNGLL"] + kinds["GNZDA"], extras);
        EXPECT_EQ(announced, listed) << "every group whole";
    }
}

// At 9600 baud a full sky does not fit; the group left out is not always the same system's.
TEST(SimGnss, ASlowLineLeavesOutADifferentGroupEachSecond) {
    Generator gen(Tuner::Gnss, 1, {});
    gen.setLineBytes(lineBytesPerSecond(9600));
    std::map<QByteArray, int> missing; // GSV talker -> seconds without its group
    for (std::int64_t s = 0; s < 3600; s += 7) {
        std::set<QByteArray> sent;
        for (const QByteArray& body : Checked(gen.burst(kUtc.addSecs(s), s)))
            sent.insert(body.left(5));
        for (const char* gsv : {"GPGSV", "GLGSV", "GAGSV", "GBGSV"})
            missing[gsv] += !sent.contains(gsv);
    }
    for (const auto& [gsv, seconds] : missing)
        EXPECT_TRUE(seconds > 0 && seconds < 3600 / 7 / 2) << gsv.toStdString() << " " << seconds;
}

TEST(SimGnss, TwentyFiveToFortySatellitesAt115200Baud) {
    const Sky sky(1, Tuner::Gnss);
    std::size_t fewest = 100, most = 0;
    for (std::int64_t s = 0; s < 86400; s += 60) {
        fewest = std::min(fewest, sky.at(s).size());
        most = std::max(most, sky.at(s).size());
    }
    EXPECT_TRUE(fewest >= 25 && most <= 40 && most >= 34) << fewest << " " << most;
    const auto r = parseArguments({"velsor-sim", "--device", "/dev/null", "--tuner", "2"});
    EXPECT_EQ(r.options ? r.options->baud : 0, 115200);
}

// gpsd's decoder reads the same seconds: position, mode, satellites in view and used.
TEST(SimGnss, GpsdecodeReadsTheFixAndTheSky) {
    if (QStandardPaths::findExecutable(QStringLiteral("gpsdecode")).isEmpty())
        GTEST_SKIP() << "gpsdecode (gpsd-clients) is not installed";
    for (const auto& [schedule, mode] : {std::pair{FixSchedule{}, 3},
                                         {FixSchedule{{}, {1000, 1000}}, 2},
                                         {FixSchedule{{1000, 1000}, {}}, 1}}) {
        Generator gen(Tuner::Gnss, 3, schedule);
        QByteArray stream;
        for (int s = 0; s < 3; ++s)
            stream += gen.burst(kUtc.addSecs(s), 500 + s);
        const Epoch last = gen.epoch(kUtc.addSecs(2), 502);
        QProcess gpsdecode;
        gpsdecode.start(QStringLiteral("gpsdecode"), {QStringLiteral("-j")});
        gpsdecode.write(stream);
        gpsdecode.closeWriteChannel();
        ASSERT_TRUE(gpsdecode.waitForFinished(10000));
        QJsonObject tpv, sky;
        for (const QByteArray& line : gpsdecode.readAllStandardOutput().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o[u"class"].toString() == u"TPV")
                tpv = o;
            else if (o[u"class"].toString() == u"SKY" && o.contains(u"nSat"))
                sky = o;
        }
        SCOPED_TRACE(mode);
        // gpsd 3.22 takes a GLL with a valid position for a 3D fix, whatever GSA said before.
        const int gpsdMode = tpv[u"mode"].toInt();
        EXPECT_TRUE(mode == 2 ? gpsdMode >= 2 : gpsdMode == mode) << gpsdMode;
        if (mode > 1) {
            EXPECT_NEAR(tpv[u"lat"].toDouble(), last.position.latitude, 1e-6);
            EXPECT_NEAR(tpv[u"lon"].toDouble(), last.position.longitude, 1e-6);
        }
        EXPECT_EQ(sky[u"nSat"].toInt(), static_cast<int>(last.inView.size()));
        // gpsd 3.22 takes the numbers of the Galileo and BeiDou GSA (system ids 3 and 4) for
        // GPS ones, so only GPS and GLONASS "used" flags are compared.
        std::set<std::pair<int, int>> used, gpsdUsed; // gnssid (0 GPS, 6 GLONASS), svid
        for (const SatId& u : last.used) {
            if (u.system == System::Gps || u.system == System::Glonass)
                used.insert({u.system == System::Gps ? 0 : 6, u.prn > 64 ? u.prn - 64 : u.prn});
        }
        for (const QJsonValue v : sky[u"satellites"].toArray()) {
            const QJsonObject s = v.toObject();
            const int gnss = s[u"gnssid"].toInt();
            if (s[u"used"].toBool() && (gnss == 0 || gnss == 6))
                gpsdUsed.insert({gnss, s[u"svid"].toInt()});
        }
        EXPECT_EQ(gpsdUsed, used);
    }
}
