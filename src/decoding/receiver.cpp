#include "decoding/receiver.h"

#include "decoding/field_decoder.h"
#include "decoding/gsv_fields.h"
#include "decoding/stream_health.h"
#include "nav/basic_text.h"
#include "nav/build_date.h"

#include <QVarLengthArray>

#include <cmath>
#include <cstdlib>

namespace velsor {

namespace {

// Builds a short caption on the stack so that an unchanged caption costs no allocation.
class Caption {
public:
    Caption& operator<<(QStringView s) {
        buf.append(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
        return *this;
    }
    QStringView view() const { return QStringView(buf.constData(), buf.size()); }

private:
    QVarLengthArray<char16_t, 96> buf;
};

QStringView Or(std::optional<QStringView> v) {
    return v.value_or(QStringView());
}

// Two decimal digits.
std::optional<int> TwoDigits(QStringView s) {
    if (s.size() != 2 || !s[0].isDigit() || !s[1].isDigit() || s[0].unicode() > u'9' ||
        s[1].unicode() > u'9')
        return std::nullopt;
    return (s[0].unicode() - u'0') * 10 + (s[1].unicode() - u'0');
}

// Decimal text of an integer, as QString::number writes it, without building a string.
class Digits {
public:
    explicit Digits(int v) {
        char16_t rev[12];
        int n = 0;
        unsigned u = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
        do {
            rev[n++] = static_cast<char16_t>(u'0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (v < 0)
            rev[n++] = u'-';
        for (int i = 0; i < n; ++i)
            buf[i] = rev[n - 1 - i];
        len = n;
    }
    QStringView view() const { return QStringView(buf, len); }

private:
    char16_t buf[12];
    int len;
};

// A date sentence's own date and time, when its checksum vouches for both; else 0.
DateValue DateStamp(DateValue date, std::optional<QStringView> hhmmss, QStringView line) {
    const auto t = hhmmss ? SecondsOfDay(*hhmmss) : std::nullopt;
    return t && Receiver::ChecksumRight(line) ? date + *t / 86400.0 : 0;
}

bool Has(QStringView s, char16_t c) {
    return s.contains(QChar(c));
}

const Rgb kGreen = RGB(128, 255, 128);
const Rgb kYellow = RGB(255, 255, 128);
const Rgb kRed = RGB(255, 128, 128);

} // namespace

Receiver::Receiver(Nav& n, NAV_FORM& f, platform::Clock* c)
    : nav(n), form(f), clock(c), model(n.TunerType) {}

Receiver::~Receiver() = default;

void Receiver::ResetFields() {
    fields.reset();
    nav.Gnss = GnssState{};
    auto& ops = form.Picture1.ops;
    while (!ops.empty() && ops.back().kind == DrawOp::Kind::Mark)
        ops.pop_back();
}

void Receiver::StartModel() {
    const bool byFields = nav.TunerType != model && (nav.TunerType == u"2" || model == u"2");
    model = nav.TunerType;
    if (!byFields)
        return;
    ResetFields();
    for (int i = 0; i < 8; ++i) {
        Label& no = form.Label6[i];
        Assign(no.caption, QStringView(u"--"));
        no.left = 720;
        no.width = 240;
        no.bold = false;
        form.Label9[i].caption.clear();
        form.Label10[i].caption.clear();
        form.dB1[i].width = 0;
        form.Label15[i].visible = false;
        form.Label15[i].bold = false;
    }
    nav.SatsInView = nav.SatsInUse = 0;
    form.Label2.caption.clear();
}

bool Receiver::ChecksumRight(QStringView line) {
    // "$", the sentence, "*", two hex digits, then nothing but the line end.
    if (line.isEmpty() || line[0] != u'$')
        return false;
    const qsizetype star = line.indexOf(u'*');
    if (star < 0 || star + 3 > line.size())
        return false;
    for (qsizetype i = star + 3; i < line.size(); ++i) {
        if (line[i] != u'\r' && line[i] != u'\n')
            return false;
    }
    const int hi = HexDigit(line[star + 1].unicode()), lo = HexDigit(line[star + 2].unicode());
    if (hi < 0 || lo < 0)
        return false;
    const char16_t* p = line.utf16();
    char16_t sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= p[i];
    return sum == hi * 16 + lo;
}

void Receiver::AssembleLines(QStringView text) {
    QString& buf = nav.RxBuffer[1];
    while (!text.isEmpty()) {
        const qsizetype lf = text.indexOf(u'\n');
        const QStringView piece = lf < 0 ? text : text.first(lf + 1);
        text = text.sliced(piece.size());
        if (nav.RxDiscarding) {
            // The rest of an over-long line, up to and including its line feed.
            if (lf >= 0)
                nav.RxDiscarding = false;
            if (listener)
                listener->Dropped(piece, false);
            continue;
        }
        if (buf.size() + piece.size() > kMaxLine) {
            if (listener) {
                listener->Dropped(buf, true);
                listener->Dropped(piece, false);
            }
            buf = QString();
            nav.RxDiscarding = lf < 0;
            continue;
        }
        if (lf < 0) {
            buf.append(piece);
            continue;
        }
        QString line;
        if (buf.isEmpty()) {
            line = piece.toString();
        } else {
            buf.append(piece);
            line = std::move(buf);
        }
        buf = QString();
        if (listener)
            listener->Line(line);
        DispatchSentence(line);
    }
}

void Receiver::AssembleBytes(QByteArrayView bytes) {
    AssembleLines(QString::fromLatin1(bytes));
}

QString Receiver::NextField(QString& source, QStringView delimiter, std::int16_t& stoppedAtStar) {
    stoppedAtStar = 0;
    if (source.isEmpty())
        source = nav.RxBuffer[0];
    const QChar delim = delimiter.isEmpty() ? QChar() : delimiter[0];
    qsizetype i = 0;
    while (i < source.size() && source[i] != u'*' && (delimiter.isEmpty() || source[i] != delim))
        ++i;
    QString result = source.left(i);
    if (i < source.size()) {
        if (source[i] == u'*')
            stoppedAtStar = 1;
        nav.RxBuffer[0] = source.mid(i + 1);
    } else {
        nav.RxBuffer[0] = QString();
    }
    return result;
}

void Receiver::StoreRaw(int index, const QString& line) {
    // Up to the first CR; a line without one has no raw copy.
    if (auto v = Left(line, InStr(line, u'\r') - 1))
        Assign(nav.RawSentence[index], *v);
}

void Receiver::StartSnapshot() {
    FollowModel();
    if (nav.TunerType == u"2") {
        if (!fields)
            fields = std::make_unique<FieldDecoder>(nav, form);
        fields->StartSnapshot();
    }
}

void Receiver::EndSnapshot() {
    if (fields && nav.TunerType == u"2")
        Published(fields->EndSnapshot());
}

snapshot::Sentences Receiver::Shown() const {
    return fields && nav.TunerType == u"2" ? fields->Shown() : snapshot::Sentences{};
}

void Receiver::Flush() {
    if (fields && nav.TunerType == u"2")
        Published(fields->Flush());
}

void Receiver::Published(int epochs) {
    for (int i = 0; i < epochs; ++i) {
        StartupCorrection();
        if (afterEpoch)
            afterEpoch();
    }
}

void Receiver::DispatchSentence(const QString& line) {
    FollowModel();
    if (nav.TunerType == u"2") {
        // The field model reads a sentence from its "$", wherever that stands in the line.
        if (!fields)
            fields = std::make_unique<FieldDecoder>(nav, form);
        QStringView type;
        const int epochs = fields->Decode(line, type);
        if (type.isEmpty()) {
            const qsizetype from = std::max<qsizetype>(line.lastIndexOf(u'$'), 0);
            qsizetype end = from;
            while (end < line.size() && line[end] != u',' && line[end] != u'*')
                ++end;
            type = QStringView(line).sliced(from, end - from);
        }
        ++linesDispatched;
        Assign(lastType, type);
        Published(epochs);
        if (afterDispatch)
            afterDispatch();
        return;
    }
    // The type is the text up to the first "," or "*", the rest stays in RxBuffer(0), as
    // NextField leaves them; done in place, since this runs for every line received.
    QString empty;
    QStringView type;
    if (line.isEmpty()) {
        std::int16_t star = 0;
        QString source;
        empty = NextField(source, u",", star);
        type = empty;
    } else {
        qsizetype end = 0;
        while (end < line.size() && line[end] != u',' && line[end] != u'*')
            ++end;
        type = QStringView(line).first(end);
        Assign(nav.RxBuffer[0],
               end < line.size() ? QStringView(line).sliced(end + 1) : QStringView());
    }
    ++linesDispatched;
    Assign(lastType, type);

    if (type == u"$GPGGA") {
        DecodeGGA(line);
        StoreRaw(0, line);
        // Satellites used, field 7: after the seventh comma, up to the eighth.
        qsizetype pos = -1;
        for (int k = 0; k < 7 && (pos = line.indexOf(u',', pos + 1)) >= 0; ++k) {
        }
        if (pos >= 0) {
            const qsizetype end = line.indexOf(u',', pos + 1);
            if (end >= 0) {
                if (auto v = ValInt16(QStringView(line).sliced(pos + 1, end - pos - 1)))
                    nav.SatsInUse = *v;
            }
        }
    } else if (type == u"$GPGSA") {
        DecodeGSA(line);
        StoreRaw(1, line);
    } else if (type == u"$GPGSV") {
        DispatchGSV(line);
    } else if (type == u"$GPZDA") {
        DecodeZDA(line);
        if (nav.TunerType == u"0") {
            StoreRaw(4, line);
            if (afterEpoch)
                afterEpoch();
        }
    } else if (type == u"$GPVTG") {
        // Recognised and ignored.
    } else if (type == u"$GPRMC") {
        DecodeRMC(line);
        if (nav.TunerType == u"1") {
            StoreRaw(4, line);
            if (afterEpoch)
                afterEpoch();
        }
    }
    if (afterDispatch)
        afterDispatch();
}

void Receiver::DispatchGSV(const QString& line) {
    const double message = Val(Or(Mid(line, 10, 1)));
    std::int16_t group = 0;
    if (message == 1) {
        group = 1;
        Assign(form.Label16[1].caption, line);
        StoreRaw(2, line);
        if (nav.TunerType == u"0") {
            QStringView field = Or(Mid(line, 12, 2));
            if (Or(Mid(line, 13, 1)) == u",")
                field = Or(Mid(line, 12, 1));
            if (auto v = ValInt16(field))
                nav.SatsInView = *v;
        } else if (nav.TunerType == u"1") {
            const double v = Val(Or(Mid(line, 12, 1)));
            nav.SatsInView = (v >= 1 && v <= 12) ? ToInt16(v).value_or(0) : 0;
        }
    } else if (message == 2) {
        group = 2;
        Assign(form.Label16[2].caption, line);
        StoreRaw(3, line);
    } else if (message == 3) {
        // The table has room for two messages of four satellites.
        return;
    }
    if (group == 1 || group == 2) {
        Caption c;
        c << Digits(nav.SatsInUse).view() << u" / " << Digits(nav.SatsInView).view() << u" 個";
        Assign(form.Label2.caption, c.view());
        DecodeGSV(line, group);
    }
}

void Receiver::DecodeGGA(const QString& line) {
    Assign(form.Label16[0].caption, line);
    const auto head = Mid(line, InStr(line, u"$GPGGA"), 13);
    const bool valid = head && head->size() == 13 && !Has(head->sliced(7, 6), u',');
    if (!valid)
        return;

    const QStringView hh = head->sliced(7, 2), mm = head->sliced(9, 2), ss = head->sliced(11, 2);
    {
        Caption c;
        c << hh << u" 時 " << mm << u" 分 " << ss << u" 秒";
        Assign(form.Label4[0].caption, c.view());
    }

    LocalTime(TwoDigits(hh), TwoDigits(mm), TwoDigits(ss), line);

    // Position, only northern latitude and eastern longitude.
    int latAt, lonAt;
    if (nav.TunerType == u"0") {
        latAt = 15;
        lonAt = 27;
    } else if (nav.TunerType == u"1") {
        latAt = 17;
        lonAt = 29;
    } else {
        return;
    }
    if (Or(Mid(line, latAt + 9, 2)) == u",N") {
        Caption c;
        c << u" " << Or(Mid(line, latAt, 2)) << u" 度 " << Or(Mid(line, latAt + 2, 7)) << u" 分 - "
          << Or(Mid(line, latAt + 10, 1));
        Assign(form.Label3[0].caption, c.view());
    }
    if (Or(Mid(line, lonAt + 10, 2)) == u",E") {
        Caption c;
        c << Or(Mid(line, lonAt, 3)) << u" 度 " << Or(Mid(line, lonAt + 3, 7)) << u" 分 - "
          << Or(Mid(line, lonAt + 11, 1));
        Assign(form.Label3[1].caption, c.view());
    }
}

void Receiver::LocalTime(std::optional<int> h, std::optional<int> m, std::optional<int> s,
                         const QString& line) {
    // Local time: the last UTC date with this time, plus nine hours. Without a date yet (the
    // empty date) no local time is formed and the previous one stays.
    const std::optional<DateValue> t = h && m && s ? MakeTime(*h, *m, *s) : std::nullopt;
    if (nav.UtcDate != 0 && t)
        nav.JstDateTime = nav.UtcDate + *t + kJstOffset;
    Assign(form.Label4[1].caption, DateText(nav.JstDateTime));
    // The display pairs the time with the last date, whatever sentence brought it. The PC clock
    // takes only a moment that checksums vouch for, its day from a date sentence a few seconds
    // away: at UTC midnight the last date may still be the day before.
    nav.JstClockTime = 0;
    if (t && nav.UtcDateStamp != 0 && ChecksumRight(line)) {
        const auto at = MomentNear(nav.UtcDateStamp, *h * 3600 + *m * 60 + *s);
        if (at && ClockMomentPlausible(*at + kJstOffset))
            nav.JstClockTime = *at + kJstOffset;
    }
    StartupCorrection();
}

void Receiver::StartupCorrection() {
    // Start-up correction of the PC clock, never while the tuner's port is closed (a replay
    // feeds the same decoders). Never from the empty date: that would put the clock at
    // midnight; it stays pending until a date has been received. A refusal by the system also
    // ends it for this connection rather than retrying at every sentence.
    const bool linked = !form.MSComm1 || form.MSComm1->IsOpen();
    const bool due =
        linked && nav.ClockSetDone == 0 && nav.ClockSetWait >= 120 && nav.JstClockTime != 0;
    const bool is2D = nav.FixMode == u"2D", is3D = nav.FixMode == u"3D";
    if (due && (is2D || is3D)) {
        const bool set = clock && clock->SetLocalDate(DatePart(nav.JstClockTime)) &&
                         clock->SetLocalTime(TimePart(nav.JstClockTime));
        nav.ClockSetDone = 1;
        nav.ClockSetWait = 0;
        form.ShowClockCorrection(set, is2D);
    }
}

void Receiver::DecodeGSA(const QString& line) {
    Assign(form.Label16[3].caption, line);
    const QStringView fixType = Or(Mid(line, 10, 1));
    if (fixType == u"3") {
        Assign(form.Label13.caption, QStringView(u"測位状態： 3D 測位中"));
        Assign(nav.FixMode, QStringView(u"3D"));
    } else if (fixType == u"2") {
        Assign(form.Label13.caption, QStringView(u"測位状態： 2D 測位中"));
        Assign(nav.FixMode, QStringView(u"2D"));
    } else {
        Assign(form.Label13.caption, QStringView(u"測位状態： 受信不能"));
        Assign(nav.FixMode, QStringView(u"--"));
        nav.SatsInUse = 0;
    }

    // The used-satellite slots are rebuilt from scratch every time.
    const bool fixed = nav.FixMode == u"2D" || nav.FixMode == u"3D";
    const bool listed = fixed && !Has(Or(Mid(line, 12, 2)), u',');
    for (int k = 0; k < 8; ++k)
        Assign(nav.UsedSatNo[k], listed ? Or(Mid(line, 12 + 3 * k, 2)) : QStringView());
    if (!fixed) {
        for (int k = 0; k < 8; ++k) {
            form.Label6[k].bold = false;
            form.Label15[k].bold = false;
        }
    }
}

void Receiver::DecodeGSV(const QString& line, std::int16_t group) {
    if (group != 1 && group != 2)
        return;
    const int first = 4 * (group - 1);
    const int o = gsv::Offset(nav.TunerType);
    std::int16_t snr[8] = {};
    auto at = [&](int j, int offset, int len) {
        return Or(Mid(line, gsv::Pos(offset, o, j), len));
    };

    for (int j = 0; j < 4; ++j) {
        Label& l = form.Label6[first + j];
        if (at(j, gsv::kBefore, 1) != u"*")
            Assign(l.caption, at(j, gsv::kNumber, 2));
        else
            Assign(l.caption, QStringView(u"--"));
        l.left = 795;
    }
    for (int j = 0; j < 4; ++j)
        snr[first + j] = ValInt16(at(j, gsv::kSnr, 2)).value_or(0);
    for (int j = 0; j < 4; ++j) {
        const int row = first + j;
        const int s = snr[row];
        Shape& bar = form.dB1[row];
        bool set = true;
        if (s >= 46 && s <= 50)
            bar.fillColor = kGreen;
        else if (s <= 40)
            bar.fillColor = kRed;
        else if (s >= 41 && s <= 45)
            bar.fillColor = kYellow;
        else
            set = false; // above 50: the bar stays as it was
        if (set)
            bar.width = s > 0 ? s * 4335.0 / 60.0 : 0.0;
    }
    for (int j = 0; j < 4; ++j) {
        Label& l = form.Label9[first + j];
        Assign(l.caption, at(j, gsv::kElevation, 2));
        if (l.caption == u"00")
            Assign(l.caption, QStringView(u"--"));
    }
    for (int j = 0; j < 4; ++j) {
        Label& l = form.Label10[first + j];
        Assign(l.caption, at(j, gsv::kAzimuth, 3));
        if (l.caption == u"000")
            Assign(l.caption, QStringView(u"---"));
    }
    for (int j = 0; j < 4; ++j) {
        const int row = first + j;
        Label& mark = form.Label15[row];
        const QString& no = form.Label6[row].caption;
        if (no != u"--" && form.Label9[row].caption != u"--" &&
            form.Label10[row].caption != u"---") {
            PlotSatellite(form.Label9[row].caption, form.Label10[row].caption, no,
                          Digits(row).view(), Digits(snr[row]).view());
            Assign(mark.caption, no);
            mark.visible = true;
        } else {
            mark.visible = false;
        }
    }
    // Numbers 40 to 99 and rows without a number are not satellites this table shows.
    for (int j = 0; j < 4; ++j) {
        const int row = first + j;
        const QStringView no = form.Label6[row].caption;
        const QStringView two = Or(Mid(no, 1, 2));
        if (Val(Or(Mid(no, 1, 1))) >= 4 || Val(two) <= 0 || two.isEmpty()) {
            Assign(form.Label6[row].caption, QStringView(u"--"));
            Assign(form.Label9[row].caption, QStringView(u"--"));
            Assign(form.Label10[row].caption, QStringView(u"---"));
            form.Label15[row].visible = false;
        }
    }
}

void Receiver::PlotSatellite(QStringView elevation, QStringView azimuth, QStringView /*satNo*/,
                             QStringView row, QStringView snr) {
    if (elevation.isEmpty() || azimuth.isEmpty() || Has(elevation, u',') || Has(azimuth, u','))
        return;
    // A corrupted field gives no position at all rather than a made-up one.
    const auto e = StrictInt16(elevation), a = StrictInt16(azimuth);
    if (!e || !a)
        return;
    const auto index = ValInt16(row);
    if (!index || *index < 0 || *index > 7)
        return;
    Label& mark = form.Label15[*index];

    const double r = nav.SkyRadius * std::cos(*e * nav.Pi / 180);
    const auto dx = ToInt16(r * std::sin(nav.Pi * *a / 180));
    const auto dy = ToInt16(r * std::cos(nav.Pi * *a / 180));
    const auto halfW = ToInt16(mark.width / 2.0), halfH = ToInt16(mark.height / 2.0);
    if (dx && dy && halfW && halfH) {
        if (auto left = ToInt16(nav.SkyCenterX - *halfW + *dx))
            mark.left = *left;
        if (auto top = ToInt16(nav.SkyCenterY - *halfH - *dy))
            mark.top = *top;
    }

    const double s = Val(snr);
    if (s >= 46 && s <= 50)
        mark.backColor = kGreen;
    else if (s >= 1 && s <= 40)
        mark.backColor = kRed;
    else if (s >= 41 && s <= 45)
        mark.backColor = kYellow;
    else if (s < 1)
        mark.backColor = kGrey;
}

void Receiver::MarkUsedSatellites() {
    for (int i = 0; i < 8; ++i) {
        bool used = false;
        for (int j = 0; j < 8; ++j)
            used = used || nav.UsedSatNo[j] == form.Label6[i].caption;
        form.Label6[i].bold = used;
        form.Label15[i].bold = used;
    }
}

void Receiver::DecodeZDA(const QString& line) {
    MarkUsedSatellites();
    Assign(form.Label16[4].caption, line);
    const auto head = Mid(line, InStr(line, u"$GPZDA"), 24);
    if (!head)
        return;
    const QStringView year = Or(Mid(*head, 21, 4)), month = Or(Mid(*head, 18, 2)),
                      day = Or(Mid(*head, 15, 2));
    if (!Has(Or(Mid(*head, 8, 6)), u',')) {
        Caption c;
        c << year << u" 年 " << month << u" 月 " << day << u" 日 ";
        Assign(form.Label4[2].caption, c.view());
    }
    Caption d;
    d << year << u"/" << month << u"/" << day;
    if (auto v = ParseDate(d.view())) {
        nav.UtcDate = *v;
        nav.UtcDateStamp = DateStamp(*v, Mid(*head, 8, 6), line);
    }
}

void Receiver::DecodeRMC(const QString& line) {
    MarkUsedSatellites();
    Assign(form.Label16[4].caption, line);
    const QStringView field = Or(Mid(line, 55, 6));
    if (Has(field, u',') || field.size() < 6)
        return;
    const QStringView day = field.sliced(0, 2), month = field.sliced(2, 2), year = field.sliced(4);
    Caption c;
    c << u"20" << year << u" 年 " << month << u" 月 " << day << u" 日";
    Assign(form.Label4[2].caption, c.view());
    Caption d;
    d << u"20" << year << u"/" << month << u"/" << day;
    if (auto v = ParseDate(d.view())) {
        nav.UtcDate = *v;
        nav.UtcDateStamp = DateStamp(*v, Mid(line, 8, 6), line);
    }
}

} // namespace velsor
