// The third model: any NMEA 0183 receiver read by its fields, every satellite system.

#include "decoding/field_decoder.h"
#include "decoding/state_json.h"
#include "replay/replay_reader.h"
#include "support/decoder_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace velsor;

namespace {

constexpr auto S = &velsor::testing::WithChecksum; // "GPGGA,..." with its "$" and checksum

class FieldsTest : public velsor::testing::DecoderTest {
protected:
    FieldsTest() { nav.TunerType = QStringLiteral("2"); }
    void Lines(std::initializer_list<QString> lines) {
        for (const QString& l : lines)
            Line(l);
    }
    QJsonObject Fix() {
        QByteArray out;
        AppendStateJson(out, nav, form, rx.linesDispatched, rx.lastType);
        return QJsonDocument::fromJson(out).object()[u"fix"].toObject();
    }
    // The table's rows: number, elevation, azimuth, "*" when used.
    QString Rows(int n) const {
        QStringList rows;
        for (int i = 0; i < n; ++i)
            rows << form.Label6[i].caption + u' ' + form.Label9[i].caption + u' ' +
                        form.Label10[i].caption + (form.Label6[i].bold ? u"*"_qs : QString());
        return rows.join(u" | ");
    }
    int Marks() const {
        int n = 0;
        for (const DrawOp& op : form.Picture1.ops)
            n += op.kind == DrawOp::Kind::Mark ? 1 : 0;
        return n;
    }
};

} // namespace

// What a sentence must be to be read: a wrong checksum keeps it out (it is still shown raw),
// a missing one does not; every talker, times with any decimals, positions any precision.
TEST_F(FieldsTest, FixSentencesOfAnyTalker) {
    const struct {
        QString line;
        const char16_t* shown; // time | latitude | longitude
        double latDeg, lonDeg;
    } cases[] = {
        {S("GNGGA,223745.00,3806.62964,N,12237.61382,W,2,12,0.54,83.1,M,-29.5,M,,0000"),
         u"22 時 37 分 45 秒| 38 度 06.6296 分 - N|122 度 37.6138 分 - W", 38.110494, -122.626897},
        {u"$GPGGA,012243,3454.4922,S,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,"_qs, // no checksum
         u"01 時 22 分 43 秒| 34 度 54.4922 分 - S|138 度 35.7617 分 - E", -34.908203, 138.596028},
        {S("GBGGA,000235.123456,4404.1269987,N,12118.8441437,W,1,09,0.9,1130.1,M,-21.3,M,,"),
         u"00 時 02 分 35 秒| 44 度 04.1270 分 - N|121 度 18.8441 分 - W", 44.068783, -121.314069},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        Line(c.line);
        EXPECT_EQ(form.Label4[0].caption + u'|' + form.Label3[0].caption + u'|' +
                      form.Label3[1].caption + form.Label16[0].caption,
                  QString::fromUtf16(c.shown) + c.line + u"\r\n"_qs);
        EXPECT_NEAR(Fix()[u"lat"].toDouble(), c.latDeg, 1e-6);
        EXPECT_NEAR(Fix()[u"lon"].toDouble(), c.lonDeg, 1e-6);
    }
    // A wrong checksum: shown raw, not decoded.
    const QString wrong = u"$GPGGA,101010,1000.0000,N,01000.0000,E,1,05,1.0,53.3,M,-3.5,M,,*00"_qs;
    Line(wrong);
    EXPECT_EQ(form.Label4[0].caption, u"00 時 02 分 35 秒");
    EXPECT_EQ(form.Label16[0].caption, wrong + u"\r\n"_qs);
    EXPECT_NE(nav.RawSentence[0], wrong) << "what is recorded was decoded";
    // Letters where digits belong and minutes past 59 give no position.
    Line(S("GPGGA,101010,10X0.0000,N,01000.0000,E,1,05,1.0,53.3,M,-3.5,M,,"));
    Line(S("GPRMC,101010,A,1060.0000,N,01000.0000,E,0.0,0.0,010120,,"));
    EXPECT_NEAR(Fix()[u"lat"].toDouble(), 44.068783, 1e-6);
}

// Fix state, date and the UTC time of the fix object from GSA, GNS, RMC, ZDA and GLL.
TEST_F(FieldsTest, FixStateAndDate) {
    const struct {
        QString line;
        const char16_t* state; // Label13
        const char16_t* date;  // Label4[2]
        int mode;
    } cases[] = {
        {S("GNRMC,223745.00,A,3806.62964,N,12237.61382,W,0.040,,110720,,,D,V"),
         u"測位状態： 2D 測位中", u"2020 年 07 月 11 日", 2},
        {S("GNGSA,A,3,29,20,18,,,,,,,,,,0.99,0.54,0.83,1"), u"測位状態： 3D 測位中",
         u"2020 年 07 月 11 日", 3},
        {S("GNZDA,223746.5,12,07,2020,00,00"), u"測位状態： 3D 測位中", u"2020 年 07 月 12 日 ", 3},
        {S("GNGNS,223747.00,,,,,NNNN,00,,,,"), u"測位状態： 受信不能", u"2020 年 07 月 12 日 ", 1},
        {S("GPGSA,A,2,05,,,,,,,,,,,,2.7,2.5,1.0"), u"測位状態： 2D 測位中", u"2020 年 07 月 12 日 ",
         2},
        {S("GNGLL,3806.62964,N,12237.61382,W,223748.00,V,N"), u"測位状態： 受信不能",
         u"2020 年 07 月 12 日 ", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        Line(c.line);
        EXPECT_EQ(form.Label13.caption, c.state);
        EXPECT_EQ(form.Label4[2].caption, c.date);
        EXPECT_EQ(Fix()[u"mode"].toInt(), c.mode);
    }
    EXPECT_EQ(Fix()[u"utc"].toString(), u"2020-07-12T22:37:47.000Z") << "date and last fix time";
    EXPECT_TRUE(Fix()[u"lat"].isNull()) << "no position without a fix";
    EXPECT_EQ(nav.RawSentence[4], S("GNZDA,223746.5,12,07,2020,00,00"));
}

// Satellites in view are the union over systems and signals, "used" the union of the GSA of
// one epoch; the table shows used ones first, then by SNR, each with its system's letter.
TEST_F(FieldsTest, SatellitesOfEverySystem) {
    Lines({
        S("GPGSV,2,1,05,05,01,047,,10,29,224,30,13,22,062,23,44,45,171,45,1"),
        S("GPGSV,2,2,05,193,40,100,41,1"),
        S("GPGSV,1,1,02,10,29,224,38,13,22,062,,6"), // L5: same satellites, stronger
        S("GLGSV,1,1,02,67,56,054,40,68,55,168,44,1"),
        S("GAGSV,1,1,01,03,44,149,40,7"),
        S("GBGSV,1,1,01,27,78,059,44,1"),
        S("GNGSA,A,3,10,44,,,,,,,,,,,0.99,0.54,0.83,1"),
        S("GNGSA,A,3,67,,,,,,,,,,,,0.99,0.54,0.83,2"),
        S("GNGSA,A,3,03,,,,,,,,,,,,0.99,0.54,0.83,3"),
    });
    EXPECT_EQ(form.Label2.caption, u"4 / 9 個");
    EXPECT_EQ(Rows(8), u"S131 45 171* | R03 56 054* | E03 44 149* | G10 29 224* | R04 55 168 | "
                       u"C27 78 059 | J01 40 100 | G13 22 062");
    EXPECT_EQ(Marks(), 9);
    EXPECT_FALSE(form.Label15[0].visible);
    EXPECT_DOUBLE_EQ(form.dB1[3].width, 38 * 4335.0 / 60);
    // The next epoch's GSA replace the used set; a GSA of no fix leaves none.
    Lines({S("GNRMC,223746.00,A,3806.62964,N,12237.61382,W,0.040,,110720,,,D,V"),
           S("GNGSA,A,3,13,,,,,,,,,,,,0.99,0.54,0.83,1")});
    EXPECT_EQ(form.Label2.caption, u"1 / 9 個");
    const QJsonArray sats = Fix()[u"satellites"].toArray();
    ASSERT_EQ(sats.size(), 9);
    EXPECT_EQ(QJsonDocument(sats[0].toObject()).toJson(QJsonDocument::Compact),
              R"({"az":47,"el":1,"prn":5,"snr":null,"system":"GPS","used":false})");
}

// Input no receiver should send: nothing out of bounds, memory fixed.
TEST_F(FieldsTest, BadInput) {
    const struct {
        const char* what;
        std::vector<QString> lines;
        int inView;
    } cases[] = {
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        velsor::testing::Decoding d("2");
        for (const QString& l : c.lines)
            d.rx.AssembleLines(l + u"\r\n"_qs);
        EXPECT_EQ(d.nav.Gnss.satCount, c.inView);
    }
    // 152 satellites in one group: the table holds the first 100.
    for (int m = 0; m < 38; ++m) {
        QString body = QStringLiteral("GPGSV,38,%1,152").arg(m + 1);
        for (int k = 0; k < 4; ++k) {
            const int i = m * 4 + k; // GPS/SBAS/GLONASS, then Galileo, then BeiDou
            body += QStringLiteral(",%1,45,100,40")
                        .arg(i < 96    ? 1 + i
                             : i < 132 ? 301 + i - 96
                                       : 401 + i - 132);
        }
        Line(S(body.toLatin1().constData()));
    }
    EXPECT_EQ(nav.Gnss.satCount, GnssState::kMaxSatellites);
    EXPECT_EQ(Marks(), GnssState::kMaxSatellites);
    // A line of 250 fields: the first 40 are read, and this group replaces the last.
    Line(u"$GPGSV,1,1,99"_qs + QString(u",1,2,3,4"_qs).repeated(60));
    EXPECT_EQ(nav.Gnss.satCount, 1);
    EXPECT_EQ(Marks(), 1);
}

// The fixed-position models keep their output; their fix object comes from what they showed.
TEST_F(FieldsTest, FixObjectOfTheFixedModels) {
    nav.TunerType = QStringLiteral("0");
    Lines({u"$GPZDA,012243,12,08,2021,00,00*4F"_qs,
           u"$GPGGA,012243,3454.4922,N,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,*6E"_qs,
           u"$GPGSA,A,3,04,05,,,,,,,,,,,1.6,0.9,1.3*3F"_qs,
           u"$GPGSV,1,1,02,04,23,058,39,05,10,220,40*79"_qs,
           u"$GPZDA,012243,12,08,2021,00,00*4F"_qs});
    const QJsonObject fix = Fix();
    EXPECT_EQ(fix[u"utc"].toString(), u"2021-08-12T01:22:43.000Z");
    EXPECT_NEAR(fix[u"lat"].toDouble(), 34.908203, 1e-6);
    EXPECT_EQ(fix[u"mode"].toInt(), 3);
    EXPECT_EQ(QJsonDocument(fix[u"satellites"].toArray()).toJson(QJsonDocument::Compact),
              R"([{"az":58,"el":23,"prn":4,"snr":39,"system":"GPS","used":true},)"
              R"({"az":220,"el":10,"prn":5,"snr":40,"system":"GPS","used":true}])");
    EXPECT_EQ(nav.Gnss.satCount, 0) << "the fixed models leave the field state alone";
    // At UTC midnight the last date may be of the second before: the fix is of the new day.
    Lines({S("$GPZDA,235959,31,12,2021,00,00"),
           S("$GPGGA,000000,3454.4922,N,13835.7617,E,1,05,1.0,53.3,M,-3.5,M,,")});
    EXPECT_EQ(Fix()[u"utc"].toString(), u"2022-01-01T00:00:00.000Z");
}

// A recording's model from its first block's GGA and date sentence.
TEST(RecordingTuner, ByTheDateSentenceAndTheGgaTimeWidth) {
    const char16_t* const cases[][3] = {
        {u"$GPGGA,012243,3454.4922,N", u"$GPZDA,012243,12,08,2021,00,00*4F", u"0"},
        {u"$GPGGA,012243.0,3454.4922,N", u"$GPRMC,012243.0,A,3454.4922,N", u"1"},
        {u"", u"$GPRMC,012243.0,A,3454.4922,N", u"1"},
        {u"$GPGGA,012243.00,3454.4922,N", u"$GPRMC,012243.00,A,3454.4922,N", u"2"},
        {u"$GNGGA,012243,3454.4922,N", u"$GPZDA,012243,12,08,2021,00,00*4F", u"2"},
        {u"$GNGGA,012243.00,3454.4922,N", u"$GNRMC,012243.00,A", u"2"},
        {u"$GPGGA,012243", u"$GPGSV,1,1,00", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c[1]).toStdString());
        EXPECT_EQ(RecordingTuner(c[0], c[1]).value_or(QString()), c[2]);
    }
}
