// GSA: fix state and the satellites used.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

TEST_F(DecoderTest, GsaSetsFixStateFromTheTypeCharacter) {
    Line(QStringLiteral("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"));
    EXPECT_EQ(form.Label13.caption, u"測位状態： 3D 測位中");
    EXPECT_EQ(nav.FixMode, u"3D");
    Line(QStringLiteral("$GPGSA,A,2,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"));
    EXPECT_EQ(form.Label13.caption, u"測位状態： 2D 測位中");
    EXPECT_EQ(nav.FixMode, u"2D");
    EXPECT_EQ(nav.UsedSatNo[0], u"04");
    EXPECT_EQ(nav.UsedSatNo[1], u"05");
    EXPECT_EQ(nav.UsedSatNo[2], u"12");
    EXPECT_EQ(nav.UsedSatNo[3], u",,") << "empty slots never match a satellite number";
    EXPECT_EQ(form.Label16[3].caption, u"$GPGSA,A,2,04,05,12,,,,,,,,,,1.0,1.0,1.0*00\r\n");
}

TEST_F(DecoderTest, NoFixClearsUsedCountAndAllBoldMarks) {
    nav.SatsInUse = 7;
    for (int i = 0; i < 8; ++i)
        form.Label6[i].bold = form.Label15[i].bold = true;
    Line(QStringLiteral("$GPGSA,A,1,,,,,,,,,,,,,,,*00"));
    EXPECT_EQ(form.Label13.caption, u"測位状態： 受信不能");
    EXPECT_EQ(nav.FixMode, u"--");
    EXPECT_EQ(nav.SatsInUse, 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(form.Label6[i].bold);
        EXPECT_FALSE(form.Label15[i].bold);
        EXPECT_EQ(nav.UsedSatNo[i], u"");
    }
    Line(QStringLiteral("$GPGSA,A,"));
    EXPECT_EQ(nav.FixMode, u"--");
}

TEST_F(DecoderTest, AFixWithoutListedSatellitesLeavesTheListEmpty) {
    Line(QStringLiteral("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"));
    Line(QStringLiteral("$GPGSA,A,3,,04,05,,,,,,,,,,1.0,1.0,1.0*00"));
    EXPECT_EQ(nav.FixMode, u"3D");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(nav.UsedSatNo[i], u"");
}
