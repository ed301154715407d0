// GSA: fix state, the satellites used and the bold marks.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

TEST_F(DecoderTest, GsaFixStateAndUsedSatellites) {
    struct Case {
        QString line;
        const char16_t *caption, *mode;
        std::vector<const char16_t*> used; // none: all eight empty
    };
    const Case cases[] = {
        {u"$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"_qs,
         u"3D 測位中",
         u"3D",
         {u"04", u"05", u"12", u",,"}}, // empty slots never match a satellite number
        {u"$GPGSA,A,2,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"_qs, u"2D 測位中", u"2D", {u"04"}},
        // A fix whose list does not start in the first slot leaves it empty.
        {u"$GPGSA,A,3,,04,05,,,,,,,,,,1.0,1.0,1.0*00"_qs, u"3D 測位中", u"3D", {}},
        {u"$GPGSA,A,"_qs, u"受信不能", u"--", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        nav.SatsInUse = 7;
        for (int i = 0; i < 8; ++i)
            form.Label6[i].bold = form.Label15[i].bold = true;
        Line(c.line);
        // No fix clears the used count and every bold mark; a fix leaves them.
        const bool fixed = nav.FixMode != u"--";
        int bold = 0;
        for (int i = 0; i < 8; ++i)
            bold += form.Label6[i].bold + form.Label15[i].bold;
        EXPECT_EQ(std::pair(int(nav.SatsInUse), bold), std::pair(fixed ? 7 : 0, fixed ? 16 : 0));
        EXPECT_EQ(form.Label13.caption + nav.FixMode,
                  u"測位状態： "_qs + QString::fromUtf16(c.caption) + QString::fromUtf16(c.mode));
        for (std::size_t i = 0; i < (c.used.empty() ? 8 : c.used.size()); ++i)
            EXPECT_EQ(nav.UsedSatNo[i], c.used.empty() ? u"" : c.used[i]) << i;
        EXPECT_EQ(form.Label16[3].caption, c.line + u"\r\n"_qs);
    }
}
