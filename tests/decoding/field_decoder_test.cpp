// The third model: any NMEA 0183 receiver read by its fields, every satellite system, shown
// epoch by epoch.

#include "decoding/field_decoder.h"
#include "replay/replay_reader.h"
#include "support/decoder_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace velsor;

namespace {

// "GPGGA,..." with its "$" and checksum.
QString S(const char* s) {
    return velsor::testing::WithChecksum(s);
}
QString S(const QByteArray& s) {
    return S(s.constData());
}

// A fresh model fed the lines, each ended in CR LF, then the end of the input; the PC clock is
// set from the first fix that may set it.
struct Fed : velsor::testing::Decoding {
    explicit Fed(const std::vector<QString>& lines) : Decoding("2") {
        nav.ClockSetWait = 120; // the start-up correction due
        for (const QString& l : lines)
            rx.AssembleLines(l + u"\r\n"_qs);
        rx.Flush();
    }
};

class FieldsTest : public velsor::testing::DecoderTest {
protected:
    FieldsTest() { nav.TunerType = QStringLiteral("2"); }
    // Lines of one epoch, then its end.
    void Epoch(std::initializer_list<QString> lines) {
        for (const QString& l : lines)
            Line(l);
        rx.Flush();
    }
};

// Satellites in use as "G05 E03 ...", in the order of the sky.
QString Used(const GnssState& g) {
    QStringList used;
    for (int i = 0; i < g.satCount; ++i) {
        if (g.sats[i].used)
            used << QChar(SystemLetter(g.sats[i].system)) +
                        QStringLiteral("%1").arg(g.sats[i].prn, 2, 10, QLatin1Char('0'));
    }
    return used.join(u' ');
}

} // namespace

// What a sentence must be to be read: from its "$" (noise, a TAG block or LF CR line ends
// before it are not part of it), of any talker, times with any decimals, positions of any
// precision; a wrong checksum keeps it out (it still shows raw), a missing one does not, unless
// the sentence is cut short of the fields it is read for.
TEST_F(FieldsTest, WhatIsReadOfALine) {
    const QString gga = S("GPGGA,120000,3541.0000,N,13945.0000,E,1,05,1.0,10,M,,M,,");
    const char16_t* const tokyo = u"| 35 度 41.0000 分 - N|139 度 45.0000 分 - E";
    const char16_t* const oregon = u"| 44 度 04.1270 分 - N|121 度 18.8441 分 - W";
    const struct {
        QString bytes;
        const char16_t *time, *place; // as shown: the place as latitude | longitude
        double latDeg, lonDeg;
    } cases[] = {
        {S("GNGGA,223745.00,3806.62964,N,12237.61382,W,2,12,0.54,83.1,M,-29.5,M,,0000"),
         u"22 時 37 分 45 秒", u"| 38 度 06.6296 分 - N|122 度 37.6138 分 - W", 38.110494,
         -122.626897},
        {u"$GPGGA,012243,3454.4922,S,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,"_qs, // no checksum
         u"01 時 22 分 43 秒", u"| 34 度 54.4922 分 - S|138 度 35.7617 分 - E", -34.908203,
         138.596028},
        {S("GBGGA,000235.123456,4404.1269987,N,12118.8441437,W,1,09,0.9,1130.1,M,-21.3,M,,"),
         u"00 時 02 分 35 秒", oregon, 44.068783, -121.314069},
        {u"$GPGGA,101010,1000.0000,N,01000.0000,E,1,05,1.0,53.3,M,-3.5,M,,*00"_qs,
         u"00 時 02 分 35 秒", oregon, 44.068783, -121.314069},
        // Letters where digits belong and minutes past 59 give no position.
        {S("GPGGA,101010,10X0.0000,N,01000.0000,E,1,05,1.0,53.3,M,-3.5,M,,"), u"10 時 10 分 10 秒",
         oregon, 44.068783, -121.314069},
        {S("GPRMC,101011,A,1060.0000,N,01000.0000,E,0.0,0.0,010120,,"), u"10 時 10 分 11 秒",
         oregon, 44.068783, -121.314069},
        {u"$GNRMC,001053.00,A,4404.14083,N,12118.85886,W,0."_qs, u"10 時 10 分 11 秒", oregon,
         44.068783, -121.314069}, // cut short
        {u"\x01\xff#x"_qs + gga, u"12 時 00 分 00 秒", tokyo, 35.683333, 139.75},
        {u"\\s:r3669961,c:1428621738*5F\\"_qs + gga, u"12 時 00 分 00 秒", tokyo, 35.683333,
         139.75},
        {u"\r"_qs + S("GPRMC,120001,A,3541.0000,N,13945.0000,E,0,0,071226,,"), u"12 時 00 分 01 秒",
         tokyo, 35.683333, 139.75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        Epoch({c.bytes});
        EXPECT_EQ(form.Label4[0].caption + u'|' + form.Label3[0].caption + u'|' +
                      form.Label3[1].caption,
                  QString::fromUtf16(c.time) + QString::fromUtf16(c.place));
        EXPECT_NEAR(nav.Gnss.lat, c.latDeg, 1e-6);
        EXPECT_NEAR(nav.Gnss.lon, c.lonDeg, 1e-6);
    }
    // A wrong checksum is shown raw, not recorded.
    EXPECT_EQ(form.Label16[0].caption, gga + u"\r\n"_qs) << "from its $";
    Epoch({cases[3].bytes});
    EXPECT_EQ(form.Label16[0].caption, cases[3].bytes + u"\r\n"_qs);
    EXPECT_NE(nav.RawSentence[0], cases[3].bytes) << "what is recorded was decoded";
}

// What the window says of the fix and the time after a stream, and when the PC clock is set
// from it: any fix sentence says whether there is a fix now, a GSA only tells 2D from 3D;
// positions not from satellites are no fix and never set the clock; the time is the newest fix
// time of any sentence, with its own day at midnight; a two-digit year is 1980 to 2079, and
// the clock never goes to a day before the program was built.
TEST(FieldsFix, StateTimeDateAndClockOfAStream) {
    const QString fix0 = S("GNGGA,120000.00,3541.00000,N,13945.00000,E,1,05,0.9,10.0,M,,M,,");
    const QString gsa3 = S("GNGSA,A,3,05,07,,,,,,,,,,,1.0,0.5,0.8,1");
    const auto rmc = [](const char* time, const char* date, const char* tail) {
        return S(QByteArray("GNRMC,") + time + ",A,3541.00000,N,13945.00000,E,0.0,," + date +
                 ",,," + tail);
    };
    const QString nofix = u"受信不能|12 時 00 分 00 秒|0:00:00||null|-"_qs;
    const QString nofixDated =
        u"受信不能|12 時 00 分 00 秒|2079/12/07 21:00:00|2079 年 12 月 07 日|"
        u"2079-12-07T12:00:00.000Z|-"_qs;
    const struct {
        std::vector<QString> lines;
        QString shown; // state | UTC time | JST | UTC date | fix utc | PC clock set to (JST)
    } cases[] = {
        // A fix regained before the next GSA; lost again; a GSA tells 2D.
        {{gsa3, fix0, S("GNGGA,120001.00,,,,,0,00,,,M,,M,,"),
          S("GNGGA,120002.00,3541.00100,N,13945.00000,E,1,05,0.9,10.0,M,,M,,")},
         u"3D 測位中|12 時 00 分 02 秒|0:00:00||null|-"_qs},
        {{gsa3, fix0, S("GNGGA,120001.00,,,,,0,00,,,M,,M,,")},
         u"受信不能|12 時 00 分 01 秒|0:00:00||null|-"_qs},
        {{fix0, S("GNGSA,A,2,05,07,,,,,,,,,,,1.0,0.5,0.8,1")},
         u"2D 測位中|12 時 00 分 00 秒|0:00:00||null|-"_qs},
        // Entered by hand, a simulator, dead reckoning, by GGA quality or mode letter.
        {{S("GPGGA,120000,3541.0000,N,13945.0000,E,7,00,,10.0,M,,M,,")}, nofix},
        {{gsa3, S("GPGGA,120000,3541.0000,N,13945.0000,E,8,05,1.0,10.0,M,,M,,")}, nofix},
        {{gsa3, S("GPGGA,120000,3541.0000,N,13945.0000,E,6,05,1.0,10.0,M,,M,,")}, nofix},
        {{gsa3, rmc("120000.00", "071279", "E")}, nofixDated},
        {{rmc("120000.00", "071279", "M")}, nofixDated},
        {{S("GNGLL,3541.00000,N,13945.00000,E,120000.00,A,S")}, nofix},
        {{S("GNGNS,120000.00,3541.0,N,13945.0,E,SS,10,0.9,10.0,,,")}, nofix},
        // The time of any fix sentence: RMC alone, GNS and ZDA, GLL, RMC beside a rare GGA.
        {{rmc("235959.00", "311279", "A")},
         u"2D 測位中|23 時 59 分 59 秒|2080/01/01 8:59:59|2079 年 12 月 31 日|"
         u"2079-12-31T23:59:59.000Z|2080/01/01 8:59:59"_qs},
        {{S("GNGNS,120000.00,3541.0,N,13945.0,E,AN,10,0.9,10.0,,,"),
          S("GNZDA,120000.00,07,12,2079,00,00")},
         u"3D 測位中|12 時 00 分 00 秒|2079/12/07 21:00:00|2079 年 12 月 07 日 |"
         u"2079-12-07T12:00:00.000Z|2079/12/07 21:00:00"_qs},
        {{S("GNGLL,3541.00000,N,13945.00000,E,120005.00,A,A")},
         u"2D 測位中|12 時 00 分 05 秒|0:00:00||null|-"_qs},
        {{fix0, rmc("120000.00", "071279", "A"), rmc("120001.00", "071279", "A"),
          rmc("120002.00", "071279", "A")},
         u"3D 測位中|12 時 00 分 02 秒|2079/12/07 21:00:02|2079 年 12 月 07 日|"
         u"2079-12-07T12:00:02.000Z|2079/12/07 21:00:00"_qs},
        // Midnight after the date sentence.
        {{rmc("235959.00", "311279", "A"),
          S("GNGGA,000000.00,3541.00000,N,13945.00000,E,1,05,0.9,10.0,M,,M,,")},
         u"3D 測位中|00 時 00 分 00 秒|2080/01/01 9:00:00|2079 年 12 月 31 日|"
         u"2080-01-01T00:00:00.000Z|2080/01/01 8:59:59"_qs},
        // A week rollover's date, a receiver's "no date yet".
        {{rmc("120000.00", "220899", "A")},
         u"2D 測位中|12 時 00 分 00 秒|1999/08/22 21:00:00|1999 年 08 月 22 日|"
         u"1999-08-22T12:00:00.000Z|-"_qs},
        {{rmc("120000.00", "060180", "A")},
         u"2D 測位中|12 時 00 分 00 秒|1980/01/06 21:00:00|1980 年 01 月 06 日|"
         u"1980-01-06T12:00:00.000Z|-"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.back().toStdString());
        const Fed d(c.lines);
        const QJsonObject fix = d.Fix();
        const QString utc = fix[u"utc"].isNull() ? u"null"_qs : fix[u"utc"].toString();
        const QString set = d.clock.datesSet.empty()
                                ? u"-"_qs
                                : QDateTime(d.clock.datesSet[0], d.clock.timesSet[0])
                                      .toString(u"yyyy/MM/dd H:mm:ss"_qs);
        EXPECT_EQ(d.form.Label13.caption.mid(6) + u'|' + d.form.Label4[0].caption + u'|' +
                      d.form.Label4[1].caption + u'|' + d.form.Label4[2].caption + u'|' + utc +
                      u'|' + set,
                  c.shown);
        const int mode = c.shown.startsWith(u'3') ? 3 : c.shown.startsWith(u'2') ? 2 : 1;
        EXPECT_EQ(fix[u"mode"].toInt(), mode);
        EXPECT_EQ(fix[u"lat"].isDouble(), mode > 1);
    }
}

// Satellites in view are the union over systems and signals, "used" the union of the GSA of
// one epoch; the table shows used ones first, then by SNR, each with its system's letter.
TEST_F(FieldsTest, SatellitesOfEverySystem) {
    Epoch({
        S("GPGSV,2,1,05,05,01,047,,10,29,224,30,13,22,062,23,44,45,171,45,1"),
        S("GPGSV,2,2,05,193,40,100,41,1"),
        S("GPGSV,1,1,02,10,29,224,38,13,22,062,,6"), // L5: same satellites, stronger
        S("GLGSV,1,1,02,67,56,054,40,68,55,168,44,1"),
        S("GAGSV,1,1,01,03,44,149,40,7"),
        S("GBGSV,1,1,01,27,78,059,44,1"),
        S("GIGSV,1,1,01,02,38,120,42,1"), // NavIC: not GPS 02
        S("GNGSA,A,3,10,44,,,,,,,,,,,0.99,0.54,0.83,1"),
        S("GNGSA,A,3,67,,,,,,,,,,,,0.99,0.54,0.83,2"),
        S("GNGSA,A,3,03,,,,,,,,,,,,0.99,0.54,0.83,3"),
        S("GNGSA,A,3,02,,,,,,,,,,,,0.99,0.54,0.83,6"),
    });
    EXPECT_EQ(form.Label2.caption, u"5 / 10 個");
    EXPECT_EQ(Rows(8), u"S131 45 171* | I02 38 120* | R03 56 054* | E03 44 149* | G10 29 224* | "
                       u"R04 55 168 | C27 78 059 | J01 40 100");
    EXPECT_EQ(Marks(), 10);
    EXPECT_FALSE(form.Label15[0].visible);
    EXPECT_DOUBLE_EQ(form.dB1[4].width, 38 * 4335.0 / 60);
    // The next epoch's GSA replace the used set.
    Epoch({S("GNRMC,223746.00,A,3806.62964,N,12237.61382,W,0.040,,110720,,,D,V"),
           S("GNGSA,A,3,13,,,,,,,,,,,,0.99,0.54,0.83,1")});
    EXPECT_EQ(form.Label2.caption, u"1 / 10 個");
    const QJsonArray sats = Fix()[u"satellites"].toArray();
    ASSERT_EQ(sats.size(), 10);
    EXPECT_EQ(QJsonDocument(sats[0].toObject()).toJson(QJsonDocument::Compact),
              R"({"az":47,"el":1,"prn":5,"snr":null,"system":"GPS","used":false})");
    EXPECT_EQ(QJsonDocument(sats[9].toObject()).toJson(QJsonDocument::Compact),
              R"({"az":120,"el":38,"prn":2,"snr":42,"system":"NavIC","used":false})");
}

// What GSA and GSV lists hold, as receivers send them, and what is taken of lists no receiver
// should send.
TEST(FieldsSky, ListsAsReceiversSendThem) {
    const QString gpsView = S("GPGSV,1,1,03,03,40,050,40,05,40,060,40,13,40,070,40");
    const QString galView = S("GAGSV,1,1,03,03,40,150,40,05,40,160,40,21,40,170,40");
    const QString bdsView = S("GBGSV,1,1,02,201,40,250,40,202,40,260,40");
    std::vector<QString> sixteen;
    for (const char* t : {"GP1", "GP6", "GP8", "GL1", "GL3", "GA1", "GA2", "GA7", "GB1", "GB3",
                          "GB5", "GBB", "GQ1", "GQ8", "GI1", "GI5"}) {
        const int n = static_cast<int>(sixteen.size()) + 1;
        sixteen.push_back(S(QStringLiteral("%1GSV,1,1,01,%2,40,%3,40,%4")
                                .arg(QLatin1String(t, 2), QString::number(n % 10 + 1),
                                     QString::number(n * 20), QLatin1String(t + 2, 1))
                                .toLatin1()));
    }
    std::vector<QString> many; // GPS/SBAS/GLONASS, then Galileo, then BeiDou
    for (int i = 0; i < 152; i += 4) {
        QString body = QStringLiteral("GPGSV,38,%1,152").arg(i / 4 + 1);
        for (int k = i; k < i + 4; ++k)
            body += QStringLiteral(",%1,45,100,40")
                        .arg(k < 96    ? 1 + k
                             : k < 132 ? 205 + k
                                       : 269 + k);
        many.push_back(S(body.toLatin1()));
    }
    const struct {
        const char* what;
        std::vector<QString> lines;
        int inView;
        const char* used = "";
    } cases[] = {
        // NMEA 4.0: one GNGSA per system without its id, after the groups of a first epoch.
        {"GNGSA without a system id",
         {S("GNRMC,120000.00,A,3541.0,N,13945.0,E,0,,071226,,,A"), gpsView, galView, bdsView,
          S("GNRMC,120001.00,A,3541.0,N,13945.0,E,0,,071226,,,A"),
          S("GNGSA,A,3,03,05,13,,,,,,,,,,1.0,0.5,0.8"),
          S("GNGSA,A,3,03,05,21,,,,,,,,,,1.0,0.5,0.8"),
          S("GNGSA,A,3,201,202,,,,,,,,,,,1.0,0.5,0.8")},
         8,
         "G03 G05 G13 E03 E05 E21 C01 C02"},
        {"fourteen satellites and a system id",
         {S("GAGSV,1,1,02,13,40,070,40,14,40,080,40"),
          S("GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,13,14,1.0,0.5,0.8,3")},
         2,
         "E13 E14"},
        {"the last satellite without its SNR field",
         {S("GPGSV,1,1,03,01,10,100,30,02,10,110,30,09,10,120")},
         3},
        {"sixteen groups of talkers and signals", sixteen, 16},
        // Input no receiver should send.
        {"a group cut off is not taken",
         {S("GPGSV,3,1,09,01,10,100,30,02,10,100,30,03,10,100,30,04,10,100,30"),
          S("GPGSV,3,3,09,09,10,100,30")},
         0},
        {"groups of two talkers interleaved",
         {S("GPGSV,2,1,05,01,10,100,30,02,10,100,30,03,10,100,30,04,10,100,30"),
          S("GLGSV,2,1,05,65,10,100,30,66,10,100,30,67,10,100,30,68,10,100,30"),
          S("GPGSV,2,2,05,05,10,100,30"), S("GLGSV,2,2,05,69,10,100,30")},
         10},
        {"numbers outside every range, letters and empty numbers",
         {S("GPGSV,1,1,04,00,10,100,30,99,10,100,30,X1,10,100,30,,10,100,30"),
          S("GAGSV,1,1,02,37,10,100,30,1000,10,100,30")},
         0},
        {"letters in elevation, azimuth and SNR", {S("GPGSV,1,1,01,07,1A,ZZZ,3-")}, 1},
        {"a receiver that switches talker",
         {S("GPGSV,1,1,01,07,10,100,30"), S("GNGSV,1,1,01,07,10,100,30")},
         1},
        // Lists too long for the sky: nothing out of bounds, memory fixed.
        {"152 satellites in one group: the table holds the first 100", many,
         GnssState::kMaxSatellites},
        {"a line of 250 fields, one satellite over and over",
         {u"$GPGSV,1,1,99"_qs + QString(u",1,2,3,4"_qs).repeated(60)},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fed d(c.lines);
        EXPECT_EQ(d.nav.Gnss.satCount, c.inView);
        EXPECT_LE(d.Marks(), c.inView);
        EXPECT_EQ(Used(d.nav.Gnss), QLatin1String(c.used));
    }
    const Fed fourteen(cases[1].lines);
    EXPECT_EQ(fourteen.nav.SatsInUse, 14) << "the DOPs are no satellites";

    // A place not known yet (elevation 0, azimuth 0) is no mark and no place in the table; a
    // real azimuth 0 is one.
    const Fed d({S("GPGSV,1,1,03,07,00,000,30,08,45,000,35,09,00,123,40")});
    EXPECT_EQ(std::pair(d.Rows(3), d.Marks()),
              std::pair(u"G09 00 123 | G08 45 000 | G07 -- ---"_qs, 2));
}

// The sky over time: a group stays until its next complete report, a group no longer sent
// leaves after well over its receiver's interval, whatever sentences carry the time.
TEST(FieldsSky, TheSkyOverTime) {
    const QByteArray group[] = {"GPGSV,3,1,12,01,10,010,30,02,10,020,30,03,10,030,30,04,10,040,30",
                                "GPGSV,3,2,12,05,10,050,30,06,10,060,30,07,10,070,30,08,10,080,30",
                                "GPGSV,3,3,12,09,10,090,30,10,10,100,30,11,10,110,30,12,10,120,30"};
    const std::vector<int> all{0, 1, 2}, none;
    const char* gga = "GPGGA,%1,3541.0,N,13945.0,E,1,05,1.0,10,M,,M,,";
    const char* gsa = "GPGSA,A,3,01,02,,,,,,,,,,,1.0,0.5,0.8";
    const struct {
        const char* what;
        int ticks, hz;           // fix times, and how many a second
        const char *head, *tail; // around the GSV messages of a tick; %1 the time
        std::function<std::vector<int>(int tick)> messages; // of the group sent at a tick
        std::function<int(int second)> inView;              // at an epoch's end; -1 not looked at
    } streams[] = {
        // A Garmin at 4800 baud: one GSV message a second.
        {"one message a second", 8, 1, "GPRMC,%1,A,3541.0,N,13945.0,E,0,0,071226,,", nullptr,
         [](int t) { return std::vector{t % 3}; }, [](int s) { return s < 2 ? 0 : 12; }},
        // GSV every 31 s, then no more: kept for three of its intervals, while another group
        // comes every second.
        {"a group every 31 s", 170, 1, gga, "GLGSV,1,1,01,65,10,010,30",
         [&](int t) { return t % 31 == 0 && t <= 62 ? all : none; },
         [](int s) { return s < 62 + 94 ? 13 : 1; }},
        {"20 Hz fix", 60, 20, gga, gsa, [&](int t) { return t % 20 == 0 ? all : none; },
         [](int s) { return s == 0 ? -1 : 12; }},
        // GNS and ZDA only; the group sent once.
        {"GNS and ZDA", 70, 1, "GNGNS,%1,3541.0,N,13945.0,E,AA,10,0.9,10.0,,,",
         "GNZDA,%1,07,12,2026,00,00", [&](int t) { return t == 0 ? all : none; },
         [](int s) { return s <= 60 ? 12 : 0; }},
    };
    for (const auto& s : streams) {
        SCOPED_TRACE(s.what);
        velsor::testing::Decoding d("2");
        int epochs = 0;
        d.rx.afterEpoch = [&] {
            const int second = d.nav.Gnss.timeMs / 1000, want = s.inView(second);
            if (want >= 0) {
                EXPECT_EQ(d.nav.Gnss.satCount, want) << "second " << second;
            }
            ++epochs;
        };
        for (int t = 0; t < s.ticks; ++t) {
            const QString time = QTime(0, 0).addMSecs(t * 1000 / s.hz).toString(u"HHmmss.zzz"_qs);
            std::vector<QString> lines{S(QByteArray(s.head).replace("%1", time.toLatin1()))};
            for (int m : s.messages(t))
                lines.push_back(S(group[m]));
            if (s.tail)
                lines.push_back(S(QByteArray(s.tail).replace("%1", time.toLatin1())));
            for (const QString& l : lines)
                d.rx.AssembleLines(l + u"\r\n"_qs);
        }
        d.rx.Flush();
        EXPECT_GT(epochs, 2);
    }
}

// Every epoch is published once, whatever sentences the receiver sends and whichever ends its
// epoch, what is published is of one moment, and the window changes only then.
TEST(FieldsSky, EveryEpochIsPublishedOnce) {
    const auto second = [](const char* format, int t) {
        return S(QByteArray(format).replace("%1", QByteArray::number(t))); // t: 10 to 15
    };
    const struct {
        const char* what;
        std::vector<const char*> epoch; // %1: the second
    } cases[] = {
        {"u-blox",
         {"GNRMC,1200%1.00,A,3541.0,N,13945.0,E,0,,071226,,,A", "GNVTG,,T,,M,0.0,N,0.0,K,A",
          "GNGGA,1200%1.00,3541.0,N,13945.0,E,1,05,1.0,10,M,,M,,",
          "GNGSA,A,3,01,02,,,,,,,,,,,1.0,0.5,0.8,1", "GNGSA,A,3,65,,,,,,,,,,,,1.0,0.5,0.8,2",
          "GPGSV,1,1,02,01,10,010,30,02,10,020,%1,1", "GLGSV,1,1,01,65,10,030,30,1",
          "GNGLL,3541.0,N,13945.0,E,1200%1.00,A,A", "GNZDA,1200%1.00,07,12,2026,00,00"}},
        {"GGA, GSA and GSV",
         {"GPGGA,1200%1,3541.0,N,13945.0,E,1,05,1.0,10,M,,M,,",
          "GPGSA,A,3,01,02,,,,,,,,,,,1.0,0.5,0.8", "GPGSV,1,1,02,01,10,010,30,02,10,020,%1"}},
        {"GNS and ZDA",
         {"GNGNS,1200%1.00,3541.0,N,13945.0,E,AA,10,0.9,10.0,,,",
          "GPGSV,1,1,02,01,10,010,30,02,10,020,%1", "GNZDA,1200%1.00,07,12,2026,00,00"}},
        // At 9600 baud, one GSA per line: the last of the row ends the epoch, not the first.
        {"a row of GSA",
         {"GNRMC,1200%1.00,A,3541.0,N,13945.0,E,0,,071226,,,A",
          "GPGSV,1,1,02,01,10,010,30,02,10,020,%1", "GNGSA,A,3,01,02,,,,,,,,,,,1.0,0.5,0.8,1",
          "GNGSA,A,3,65,66,67,68,,,,,,,,,1.0,0.5,0.8,2",
          "GNGSA,A,3,01,02,03,04,05,06,,,,,,,1.0,0.5,0.8,3",
          "GNGSA,A,3,01,02,03,04,05,06,07,08,,,,,1.0,0.5,0.8,4"}},
        {"a receiver without the time yet",
         {"GPRMC,,V,,,,,,,,,,N", "GPGGA,,,,,,0,,,,,,,,", "GPGSV,1,1,02,01,10,010,30,02,10,020,%1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        velsor::testing::Decoding d("2");
        std::vector<int> snr;
        QString shown = d.form.Label2.caption + d.Rows(2); // the counts and the first rows
        bool between = false;
        d.rx.afterEpoch = [&] {
            snr.push_back(d.nav.Gnss.sats[1].snr);
            shown = d.form.Label2.caption + d.Rows(2);
        };
        d.rx.afterDispatch = [&] { between |= d.form.Label2.caption + d.Rows(2) != shown; };
        for (int t = 10; t < 16; ++t) {
            for (const char* l : c.epoch)
                d.rx.AssembleLines(second(l, t) + u"\r\n"_qs);
            // Once two epochs ended alike, an epoch's last sentence shows it, not the next one's
            // first a second later.
            EXPECT_EQ(snr.size(), t < 12 ? snr.size() : t - 9u) << t;
        }
        d.rx.Flush();
        // The second satellite's SNR is the second of its epoch: each epoch once, in order.
        EXPECT_EQ(snr, (std::vector<int>{10, 11, 12, 13, 14, 15}));
        EXPECT_FALSE(between) << "the window changed between epochs";
    }
}

// A replayed snapshot of the first recordings (GGA, GSA, two GSV, the date sentence) shows the
// part of its group it holds; live, a group's part waits for the rest.
TEST(FieldsSky, AReplayedSnapshotShowsItsCutGroup) {
    velsor::testing::Decoding d("2");
    int epochs = 0;
    d.rx.afterEpoch = [&] { ++epochs; };
    d.rx.StartSnapshot();
    for (const QString& l :
         {S("GNGGA,030600.00,3541.1234,N,13945.6789,E,1,12,0.5,10,M,,M,,"),
          S("GNGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0,1"),
          S("GPGSV,3,1,10,04,45,090,47,05,30,180,42,06,10,100,30,07,20,200,35,1"),
          S("GPGSV,3,2,10,08,15,045,30,09,15,145,30,10,15,245,30,11,15,345,30,1"),
          S("GNRMC,030600.00,A,3541.1234,N,13945.6789,E,0.0,,040302,,,A")})
        d.rx.DispatchSentence(l);
    EXPECT_EQ(epochs, 0);
    d.rx.EndSnapshot();
    EXPECT_EQ(std::pair(epochs, d.nav.Gnss.satCount), std::pair(1, 8));
}

// Another model starts from an empty sky: none of the field model's marks stay on the plot,
// the table is the fixed models' again. Their output is their own; their fix object comes from
// what they showed.
TEST_F(FieldsTest, AnotherModelStartsFromAnEmptySkyWithItsOwnFixObject) {
    Epoch({S("GPGSV,1,1,02,04,45,090,47,05,30,180,42,1"), S("GLGSV,1,1,01,65,10,030,30,1")});
    ASSERT_EQ(Marks(), 3);
    nav.TunerType = QStringLiteral("0");
    rx.FollowModel(); // as the settings dialog's OK does
    EXPECT_EQ(Marks(), 0);
    EXPECT_EQ(Rows(2) + u'|' + QString::number(form.Label6[0].left), u"--   | --  |720");
    for (const QString& l :
         {u"$GPZDA,012243,12,08,2021,00,00*4F"_qs,
          u"$GPGGA,012243,3454.4922,N,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,*6E"_qs,
          u"$GPGSA,A,3,04,05,,,,,,,,,,,1.6,0.9,1.3*3F"_qs,
          u"$GPGSV,1,1,02,04,23,058,39,05,10,220,40*79"_qs,
          u"$GPZDA,012243,12,08,2021,00,00*4F"_qs})
        Line(l);
    EXPECT_EQ(std::pair(Marks(), form.Label15[0].visible), std::pair(0, true));
    const QJsonObject fix = Fix();
    EXPECT_EQ(fix[u"utc"].toString(), u"2021-08-12T01:22:43.000Z");
    EXPECT_NEAR(fix[u"lat"].toDouble(), 34.908203, 1e-6);
    EXPECT_EQ(fix[u"mode"].toInt(), 3);
    EXPECT_EQ(QJsonDocument(fix[u"satellites"].toArray()).toJson(QJsonDocument::Compact),
              R"([{"az":58,"el":23,"prn":4,"snr":39,"system":"GPS","used":true},)"
              R"({"az":220,"el":10,"prn":5,"snr":40,"system":"GPS","used":true}])");
    EXPECT_EQ(nav.Gnss.satCount, 0) << "the fixed models leave the field state alone";
    // At UTC midnight the last date may be of the second before: the fix is of the new day.
    Line(S("$GPZDA,235959,31,12,2021,00,00"));
    Line(S("$GPGGA,000000,3454.4922,N,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,"));
    EXPECT_EQ(Fix()[u"utc"].toString(), u"2022-01-01T00:00:00.000Z");
}

// A recording's model from its first block's GGA and date sentence, where the replay of each
// model's own recording does not tell.
TEST(RecordingTuner, ByTheDateSentenceAndTheGgaTimeWidth) {
    const char16_t* const cases[][3] = {
        {u"", u"$GPRMC,012243.0,A,3454.4922,N", u"1"},
        {u"$GPGGA,012243.00,3454.4922,N", u"$GPRMC,012243.00,A,3454.4922,N", u"2"},
        {u"$GNGGA,012243,3454.4922,N", u"$GPZDA,012243,12,08,2021,00,00*4F", u"2"},
        {u"$GPGGA,012243", u"$GPGSV,1,1,00", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c[1]).toStdString());
        EXPECT_EQ(RecordingTuner(c[0], c[1]).value_or(QString()), c[2]);
    }
}
