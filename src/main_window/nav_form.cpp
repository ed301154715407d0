#include "main_window/nav_form.h"

#include "decoding/receiver.h"
#include "forwarding/forwarder.h"
#include "main_window/reception_hint.h"
#include "nav/basic_text.h"
#include "nav/file_channels.h"
#include "settings/prop_form.h"
#include "settings/settings_file.h"

#include <cmath>

namespace velsor {

namespace {

Image MakeImage(int left, int top, int width, int height, bool visible) {
    Image i;
    i.left = left;
    i.top = top;
    i.width = width;
    i.height = height;
    i.visible = visible;
    return i;
}

} // namespace

NAV_FORM::NAV_FORM(Nav& n, platform::Platform& p, Prop_Form& pf) : NAV_FORM(n) {
    platform = &p;
    prop = &pf;
    MSComm1 = p.serialPorts.CreateReceiverPort();
    MSComm2 = p.serialPorts.Create();
    MSComm1->SetSettings(QStringLiteral("9600,n,8,1"));
    MSComm2->SetSettings(QStringLiteral("9600,n,8,1"));
    MSComm1->onComm = [this] { MSComm1_OnComm(); };
    forwarder = std::make_unique<Forwarder>(*MSComm2, p.dialogs);
    receiver = std::make_unique<Receiver>(nav, *this, &p.clock);
    receptionHint = std::make_unique<ReceptionHint>(*receiver);
    tellContext = std::make_unique<QObject>();
    // OK in the properties dialog writes the file. A failure is said, and the choice holds for
    // this run: reading the old file back must not undo it.
    prop->writeSettings = [this] {
        if (WriteSettings(SettingsFilePath(), nav, *prop)) {
            unsavedSettings.reset();
            return true;
        }
        unsavedSettings =
            SettingsValues{nav.CommPortNo, nav.TunerType, QString::number(prop->Check2.value),
                           QString::number(nav.Baud), nav.CommPortName};
        Message(QStringLiteral("設定ファイルを保存できません。\r\n") + SettingsFilePath(),
                platform::MsgButtons::Ok, platform::MsgIcon::Exclamation);
        return false;
    };
}

NAV_FORM::~NAV_FORM() = default;

NAV_FORM::NAV_FORM(Nav& n) : nav(n) {
    Label11 = MakeLabel(QStringLiteral("動作状態：モニタ停止中"), 3360, 120, 1815, 255);
    Label11.foreColor = RGB(192, 0, 0);
    for (auto& img : Image1)
        img = MakeImage(5400, 120, 120, 270, false);
    Label14 = MakeLabel(QString(), 5640, 120, 1335, 255);
    Label14.toolTip = QStringLiteral("選択しているGPSチューナ");

    Label1[0] = MakeLabel(QStringLiteral("受信衛星数："), 3360, 480, 1080, 255);
    Label2 = MakeLabel(QString(), 4440, 480, 1935, 255);
    for (auto& img : Image2)
        img = MakeImage(6480, 480, 480, 480, false);
    Image2[0].toolTip = Image2[1].toolTip = QStringLiteral("2D測位中");
    Image2[2].toolTip = Image2[3].toolTip = QStringLiteral("3D測位中");
    Label13 = MakeLabel(QStringLiteral("測位状態： "), 3360, 720, 2055, 255);
    Label1[6] = MakeLabel(QStringLiteral("日付(UTC)："), 3360, 960, 960, 255);
    Label4[2] = MakeLabel(QString(), 4320, 960, 2055, 255);
    Label1[1] = MakeLabel(QStringLiteral("測位時刻(UTC)："), 3360, 1200, 1320, 255);
    Label4[0] = MakeLabel(QString(), 4680, 1200, 1935, 255);
    Label1[4] = MakeLabel(QStringLiteral("測位時刻(JST)："), 3360, 1440, 1320, 255);
    Label4[1] = MakeLabel(QString(), 4680, 1440, 2415, 255);
    Label1[2] = MakeLabel(QStringLiteral("緯度："), 3360, 1680, 600, 255);
    Label3[0] = MakeLabel(QString(), 3960, 1680, 3135, 255);
    Label1[3] = MakeLabel(QStringLiteral("経度："), 3360, 1920, 600, 255);
    Label3[1] = MakeLabel(QString(), 3960, 1920, 3135, 255);
    // Label1(5) is not on the window; it keeps its default, invisible.
    Label1[5].visible = false;

    Picture1.left = 240;
    Picture1.top = 0;
    Picture1.width = 2892;
    Picture1.height = 2895;
    Picture1.backColor = kGrey;
    Picture1.toolTip = QStringLiteral("天空図");
    Picture1.scaleLeft = 0;
    Picture1.scaleTop = 0;
    Picture1.scaleWidth = 2892;
    Picture1.scaleHeight = 2895;
    for (int i = 0; i < 8; ++i) {
        Label15[i] = MakeLabel(QStringLiteral("--"), 120 + 240 * i, 2400, 255, 240);
        Label15[i].visible = false;
        Label15[i].toolTip = QStringLiteral("衛星");
    }

    Frame1 = Frame{QStringLiteral(" SNR(dB) "), 3360, 2160, 3015, 615};
    const int legendLeft[4] = {2280, 1560, 840, 120};
    const QString legendText[4] = {QStringLiteral("46 =<"), QStringLiteral("41-45"),
                                   QStringLiteral(" 1-40"), QStringLiteral(" 0")};
    const Rgb legendColor[4] = {RGB(128, 255, 128), RGB(255, 255, 128), RGB(255, 128, 128), kGrey};
    const QString legendTip[4] = {QStringLiteral("46dB以上"), QStringLiteral("41～45dB"),
                                  QStringLiteral("1～40dB"), QStringLiteral("0dB")};
    for (int i = 0; i < 4; ++i) {
        Label12[i] = MakeLabel(legendText[i], legendLeft[i], 240, 615, 255);
        Label12[i].backColor = legendColor[i];
        Label12[i].toolTip = legendTip[i];
    }

    Label18 = MakeLabel(QStringLiteral("記録"), 6480, 2280, 615, 255);
    Label18.visible = false;
    Image3[0] = MakeImage(6480, 2520, 240, 240, false);
    Image3[1] = MakeImage(6480, 2520, 240, 240, false);
    Image3[2] = MakeImage(6840, 2520, 240, 240, false);
    Image3[3] = MakeImage(6840, 2520, 240, 240, false);
    Image3[0].toolTip = QStringLiteral("記録開始ボタン");
    Image3[1].toolTip = QStringLiteral("記録中");
    Image3[2].toolTip = QStringLiteral("記録停止ボタン");
    Image3[3].toolTip = QStringLiteral("記録停止");

    Label7 = MakeLabel(QStringLiteral("(dB) 0         10         20         30         40         "
                                      "50         60"),
                       720, 2880, 4935, 255);
    for (int k = 0; k < 7; ++k)
        Line1[k] = LineControl{1080 + 720 * k, 3240, 1080 + 720 * k, 3120, kBlack};
    Label5 = MakeLabel(QStringLiteral("衛星番号"), 240, 3120, 735, 255);
    Label8[0] = MakeLabel(QStringLiteral("仰角(度)"), 5520, 3120, 735, 255);
    Label8[1] = MakeLabel(QStringLiteral("方位(度)"), 6360, 3120, 735, 255);

    for (int i = 0; i < 8; ++i) {
        const int top = 3360 + 240 * i;
        Label6[i] = MakeLabel(QStringLiteral("--"), 720, top, 240, 240);
        dB1[i].left = 1080;
        dB1[i].top = top;
        dB1[i].width = 4335;
        dB1[i].height = 135;
        dB1[i].fillColor = RGB(255, 128, 128);
        dB1[i].backColor = kWhite;
        dB1[i].borderColor = kBlack;
        Label9[i] = MakeLabel(QString(), 5520, top, 735, 255);
        Label10[i] = MakeLabel(QString(), 6240, top, 735, 255);
    }
    for (int i = 0; i < 5; ++i)
        Label16[i] = MakeLabel(QString(), 240, 5280 + 240 * i, 6735, 255);

    auto menu = [](const char* caption, const char* shortcut = "", bool visible = true) {
        MenuItem m;
        m.caption = QString::fromUtf8(caption);
        m.shortcut = QString::fromLatin1(shortcut);
        m.visible = visible;
        return m;
    };
    Mnu_File = menu("ﾌｧｲﾙ(&F)");
    Mnu_Connect = menu("接続(&C)");
    Mnu_Start = menu("接続開始(&S)", "Ctrl+S");
    Mnu_Sepa2 = menu("-");
    Mnu_Stop = menu("接続停止(&T)", "Ctrl+T");
    Mnu_Sepa1 = menu("-");
    Mnu_Rec = menu("記録(&R)");
    Mnu_Rec.enabled = false;
    Mnu_Rec_Save = menu("名前を付けて保存・記録(&S)", "Ctrl+R");
    Mnu_Sepa4 = menu("-");
    Mnu_Rec_Stop = menu("記録停止(&T)", "Ctrl+A");
    Mnu_Sepa8 = menu("-");
    Mnu_Quit = menu("終了(&Q)", "Ctrl+Q");
    Mnu_Option = menu("ｵﾌﾟｼｮﾝ(&O)");
    Mnu_Prop = menu("ﾌﾟﾛﾊﾟﾃｨ(&P)", "Ctrl+P");
    Mnu_Sepa10 = menu("-");
    Mnu_Analysis = menu("受信解析(&A)");
    Mnu_Sepa6 = menu("-", "", false);
    Mnu_Rec_Log = menu("衛星受信履歴", "Ctrl+L", false);
    Mnu_Sepa5 = menu("-", "", false);
    Mnu_Replay = menu("記録再生(&Y)", "Ctrl+Y", false);
    Mnu_Sepa7 = menu("-", "", false);
    Mnu_FW = menu("転送先ポート番号設定", "", false);
    Mnu_Sepa9 = menu("-", "", false);
    Mnu_Ini = menu("初期化コマンド送信(&I)", "", false);
    Mnu_Version = menu("ﾊﾞｰｼﾞｮﾝ情報(&V)");
    Mnu_Help = menu("ﾍﾙﾌﾟ(&H)");
    Mnu_Sepa3 = menu("-");
    Mnu_Version_V = menu("ﾊﾞｰｼﾞｮﾝ情報(&V)");
}

std::vector<MenuEntry> NAV_FORM::Menus() {
    using F = NAV_FORM;
    return {
        {"Mnu_File", &Mnu_File, nullptr, nullptr},
        {"Mnu_Connect", &Mnu_Connect, "Mnu_File", nullptr},
        {"Mnu_Start", &Mnu_Start, "Mnu_Connect", [](F& f) { f.Mnu_Start_Click(); }},
        {"Mnu_Sepa2", &Mnu_Sepa2, "Mnu_Connect", nullptr},
        {"Mnu_Stop", &Mnu_Stop, "Mnu_Connect", [](F& f) { f.Mnu_Stop_Click(); }},
        {"Mnu_Sepa1", &Mnu_Sepa1, "Mnu_File", nullptr},
        {"Mnu_Rec", &Mnu_Rec, "Mnu_File", nullptr},
        {"Mnu_Rec_Save", &Mnu_Rec_Save, "Mnu_Rec", [](F& f) { f.Mnu_Rec_Save_Click(); }},
        {"Mnu_Sepa4", &Mnu_Sepa4, "Mnu_Rec", nullptr},
        {"Mnu_Rec_Stop", &Mnu_Rec_Stop, "Mnu_Rec", [](F& f) { f.Mnu_Rec_Stop_Click(); }},
        {"Mnu_Sepa8", &Mnu_Sepa8, "Mnu_File", nullptr},
        {"Mnu_Quit", &Mnu_Quit, "Mnu_File", [](F& f) { f.Mnu_Quit_Click(); }},
        {"Mnu_Option", &Mnu_Option, nullptr, nullptr},
        {"Mnu_Prop", &Mnu_Prop, "Mnu_Option", [](F& f) { f.Mnu_Prop_Click(); }},
        {"Mnu_Sepa10", &Mnu_Sepa10, "Mnu_Option", nullptr},
        {"Mnu_Analysis", &Mnu_Analysis, "Mnu_Option", [](F& f) { f.Mnu_Analysis_Click(); }},
        {"Mnu_Sepa6", &Mnu_Sepa6, "Mnu_Option", nullptr},
        {"Mnu_Rec_Log", &Mnu_Rec_Log, "Mnu_Option", [](F& f) { f.Mnu_Rec_Log_Click(); }},
        {"Mnu_Sepa5", &Mnu_Sepa5, "Mnu_Option", nullptr},
        {"Mnu_Replay", &Mnu_Replay, "Mnu_Option", [](F& f) { f.Mnu_Replay_Click(); }},
        {"Mnu_Sepa7", &Mnu_Sepa7, "Mnu_Option", nullptr},
        {"Mnu_FW", &Mnu_FW, "Mnu_Option", [](F& f) { f.Mnu_FW_Click(); }},
        {"Mnu_Sepa9", &Mnu_Sepa9, "Mnu_Option", nullptr},
        {"Mnu_Ini", &Mnu_Ini, "Mnu_Option", [](F& f) { f.Mnu_Ini_Click(); }},
        {"Mnu_Version", &Mnu_Version, nullptr, nullptr},
        {"Mnu_Help", &Mnu_Help, "Mnu_Version", [](F& f) { f.Mnu_Help_Click(); }},
        {"Mnu_Sepa3", &Mnu_Sepa3, "Mnu_Version", nullptr},
        {"Mnu_Version_V", &Mnu_Version_V, "Mnu_Version", [](F& f) { f.Mnu_Version_V_Click(); }},
    };
}

void NAV_FORM::DrawSkyGrid() {
    Picture1.Cls();
    if (auto v = ToInt16((Picture1.scaleLeft + Picture1.scaleWidth) / 2))
        nav.SkyCenterX = *v;
    if (auto v = ToInt16((Picture1.scaleTop + Picture1.scaleHeight) / 2))
        nav.SkyCenterY = *v;
    if (auto v = ToInt16(Picture1.scaleWidth / 2 - 250))
        nav.SkyRadius = *v;

    const int cx = nav.SkyCenterX, cy = nav.SkyCenterY, r = nav.SkyRadius;
    Picture1.Circle(cx, cy, r, kBlack);
    Picture1.Circle(cx, cy, r * std::cos(nav.Pi * 30 / 180), kBlack);
    Picture1.Circle(cx, cy, r * std::cos(nav.Pi * 60 / 180), kBlack);

    // Coordinates are 16-bit sums: one that does not fit skips its primitive.
    auto fits = [](int v) { return v >= -32768 && v <= 32767; };
    if (fits(cx + r) && fits(cx - r))
        Picture1.Line(cx + r, cy, cx - r, cy, kBlack);
    if (fits(cy + r) && fits(cy - r))
        Picture1.Line(cx, cy + r, cx, cy - r, kBlack);

    Picture1.foreColor = kBlack;
    struct Mark {
        const char16_t* text;
        int x, y;
    };
    const Mark marks[] = {
        {u"E", cx + r + 50, cy - 90},          {u"W", cx - r - 180, cy - 90},
        {u"S", cx - 50, cy + r + 50},          {u"N", cx - 50, cy - r - 180},
        {u"0\uFF9F", cx - 160, cy - r + 15},   {u"30\uFF9F", cx - 250, cy - r + 210},
        {u"60\uFF9F", cx - 250, cy - r + 450}, {u"90\uFF9F", cx - 250, cy - r + 1050},
    };
    for (const Mark& m : marks) {
        if (fits(m.x) && fits(m.y) && fits(cx + r) && fits(cy + r))
            Picture1.Print(m.x, m.y, QString::fromUtf16(m.text));
    }
}

void NAV_FORM::PrepareDisplay() {
    for (auto& img : Image1)
        img.visible = false;
    for (auto& img : Image2)
        img.visible = false;
    for (int i = 0; i < 8; ++i) {
        dB1[i].width = 0;
        Label6[i].bold = false;
        Label15[i].bold = false;
    }
    DrawSkyGrid();
}

} // namespace velsor
