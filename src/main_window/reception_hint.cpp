#include "main_window/reception_hint.h"

#include "decoding/receiver.h"
#include "main_window/nav_form.h"

namespace velsor {

namespace {

// The names the properties dialog gives the models.
QString ModelName(QStringView tunerType) {
    if (tunerType == u"2")
        return QStringLiteral("汎用 NMEA 0183");
    return tunerType == u"1" ? QStringLiteral("IO-Data CFGPS")
                             : QStringLiteral("FURUNO GT-74/GT-77");
}

QString OtherModelName(QStringView tunerType) {
    return ModelName(tunerType == u"1" ? u"0" : u"1");
}

} // namespace

ReceptionHint::ReceptionHint(Receiver& r) : rx(r) {
    rx.listener = &health;
}

ReceptionHint::~ReceptionHint() {
    if (rx.listener == &health)
        rx.listener = nullptr;
}

void ReceptionHint::Connected() {
    health.Reset();
    told = false;
}

std::optional<QString> ReceptionHint::Take(QStringView tunerType) {
    if (told)
        return std::nullopt;
    switch (health.Diagnose(tunerType, lineSpeed)) {
    case StreamHealth::Hint::WrongModel:
        told = true;
        return WrongModelText(tunerType);
    case StreamHealth::Hint::UseFields:
        told = true;
        return WrongModelText(tunerType, u"2");
    case StreamHealth::Hint::WrongBaud:
        told = true;
        return WrongBaudText(tunerType, baud);
    case StreamHealth::Hint::None:
        break;
    }
    return std::nullopt;
}

QString WrongModelText(QStringView tunerType, QStringView likely) {
    return QStringLiteral("受信データの形式が、設定されたＧＰＳチューナ\r\n（") +
           ModelName(tunerType) + QStringLiteral("）と合いません。\r\n") +
           (likely.isEmpty() ? OtherModelName(tunerType) : ModelName(likely)) +
           QStringLiteral(" のデータのようです。\r\n"
                          "ｵﾌﾟｼｮﾝ > ﾌﾟﾛﾊﾟﾃｨ で\r\n"
                          "ＧＰＳチューナの機種を確認してください。");
}

QString WrongBaudText(QStringView tunerType, int baud) {
    const QString speed = tunerType == u"2"   ? QString::number(baud)
                          : tunerType == u"1" ? QStringLiteral("9600")
                                              : QStringLiteral("4800");
    const QString head =
        QStringLiteral("受信データに読み取れない文字が多く含まれています。\r\n通信速度（") + speed +
        QStringLiteral(" bps）がＧＰＳチューナと\r\n"
                       "合っていない可能性があります。\r\n"
                       "ｵﾌﾟｼｮﾝ > ﾌﾟﾛﾊﾟﾃｨ で\r\n");
    if (tunerType == u"2")
        return head + QStringLiteral("通信速度を確認してください。\r\n"
                                     "（4800、9600、38400、115200 bps から選べます）");
    return head + QStringLiteral("ＧＰＳチューナの機種を確認してください。\r\n"
                                 "（GT-74/GT-77 は 4800 bps、CFGPS は 9600 bps です）");
}

void NAV_FORM::CheckReceptionHint() {
    // Only about the live tuner link; the box comes from the event loop after this Timer2
    // tick, so neither a receive event nor the recording step waits under it.
    if (!receptionHint || !MSComm1 || !MSComm1->IsOpen())
        return;
    receptionHint->baud = nav.Baud;
    receptionHint->lineSpeed = MSComm1->HasLineSpeed();
    if (auto text = receptionHint->Take(nav.TunerType))
        TellLater(*text);
}

} // namespace velsor
