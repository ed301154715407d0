// A picture of the main window with live-looking data, for a person to look at. Written only
// when VELSOR_SCREENSHOT names the PNG file.

#include "views/view_rig.h"

#include <QImage>

using velsor::testing::ViewRig;

TEST(Screenshot, MainWindowWithData) {
    const QString path = qEnvironmentVariable("VELSOR_SCREENSHOT");
    if (path.isEmpty())
        GTEST_SKIP() << "VELSOR_SCREENSHOT not set";
    ViewRig rig;
    rig.Action("Mnu_Start")->trigger();
    for (const char* line : {
             "$GPGGA,123456,3541.1234,N,13945.6789,E,1,06,1.0,10,M,,M,,*00",
             "$GPGSA,A,3,04,05,12,17,24,30,,,,,,,1.8,1.0,1.5*00",
             "$GPGSV,2,1,08,04,62,045,48,05,35,120,44,12,18,300,38,17,50,210,47*7A",
             "$GPGSV,2,2,08,20,08,330,00,24,40,075,43,25,25,160,36,30,70,280,49*7A",
             "$GPZDA,123456,06,05,2024,00,00*00",
         })
        rig.Receive(line);
    rig.form.Timer1_Timer();
    rig.form.Timer2_Timer();
    rig.Pump();
    EXPECT_TRUE(rig.view->grab().toImage().save(path)) << path.toStdString();
}
