#include "about/frm_about.h"

#include "main_window/nav_form.h"

namespace velsor {

frmAbout::frmAbout(platform::Dialogs& d, platform::Program& p) : dialogs(d), program(p) {
    Image1 = Image{true, 480, 480, 480, 480, QString()};
    lblTitle = MakeLabel(QString(), 1440, 120, 3525, 720);
    lblTitleFont = LabelFont{QStringLiteral("Courier New"), 14.25, false};
    lblVersion = MakeLabel(QString(), 1050, 780, 3885, 225);
    lblVersionFont = LabelFont{QStringLiteral("ＭＳ Ｐゴシック"), 12, true};
    lblDescription =
        MakeLabel(QStringLiteral("GPS チューナの受信状況モニタ"), 1050, 1125, 3885, 330);
    lblDescriptionFont = LabelFont{QStringLiteral("ＭＳ Ｐゴシック"), 12, true};
    lblDisclaimer = MakeLabel(
        QStringLiteral("本ソフトウェアは無保証のフリーソフトウェアです。"
                       "FURUNO の GPS チューナから出力されるデータを視覚的に表現したものです。"
                       "カーナビには使用できません。あくまでも GPS 衛星の受信状況を大まかに"
                       "把握するのものとして、ご利用ください。"),
        255, 1680, 3870, 1095);
    // Grey on top, white one pixel below: an etched line across the dialog.
    Line1[0] = LineControl{105, 1575, 5625, 1575, kWhite};
    Line1[1] = LineControl{105, 1560, 5625, 1560, RGB(128, 128, 128)};
    cmdOK = MakeLabel(QStringLiteral("OK"), 4245, 1920, 1380, 345);
    cmdSysInfo = MakeLabel(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), 4260, 2400, 1380, 345);
}

void frmAbout::Form_Load() {
    caption = QStringLiteral("Velsor GPS Analyzer ") + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報");
    lblVersion.caption = QStringLiteral("Version %1.%2.%3")
                             .arg(kVersionMajor)
                             .arg(kVersionMinor)
                             .arg(kVersionRevision);
    lblTitle.caption = QStringLiteral("Velsor GPS Analyzer for GT-74 && 77");
}

void frmAbout::cmdOK_Click() {
    if (close)
        close();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    if (!program.StartSystemInfo()) {
        dialogs.MessageBox(QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"),
                           platform::MsgButtons::Ok, platform::MsgIcon::None,
                           QString::fromLatin1(kProgramTitle));
    }
}

} // namespace velsor
