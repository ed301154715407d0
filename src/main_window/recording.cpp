// Raw data recording: a start line, a snapshot every three minutes of the PC clock (five
// sentences, or with the by-fields model the sentences of the epoch shown), a stop line. Every
// write opens the file on channel 1 and closes it again; after the start line only a file that is
// still there is written to, and a snapshot goes in whole or not at all, so the file always reads
// as a start line and whole blocks.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/basic_text.h"
#include "nav/file_channels.h"
#include "nav/snapshot_format.h"

#include <QDir>
#include <QFile>

namespace velsor {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

constexpr int kChannel = 1;

// "2002/03/04 9:05:00": short date, a blank, long time.
QString StampText(const QDateTime& now) {
    return now.date().toString(u"yyyy/MM/dd") + u' ' + now.time().toString(u"H:mm:ss");
}

// Opens the file on the channel, writes the lines as one piece (all or none), closes it: 0 or
// the error.
int WriteLines(const QString& path, FileChannels::Mode mode, const QStringList& lines) {
    FileChannels& ch = FileChannels::Instance();
    int err = ch.Open(kChannel, path, mode);
    if (err != fileerr::kOk)
        return err;
    err = ch.WriteLines(kChannel, lines);
    ch.Close(kChannel);
    return err;
}

} // namespace

void NAV_FORM::SetRecordButtons(bool recording) {
    Image3[0].visible = !recording;
    Image3[1].visible = recording;
    Image3[2].visible = true;
    Image3[3].visible = false;
}

void NAV_FORM::Mnu_Rec_Save_Click() {
    platform::FileDialogOptions o;
    o.title = QStringLiteral("名前を付けて保存・記録");
    o.defaultExt = QStringLiteral("CSV");
    o.filter = QStringLiteral("CSVﾌｧｲﾙ(*.CSV)|*.CSV|");
    o.overwritePrompt = true;
    o.fileName = QString();
    const bool wasOpen = MSComm1->IsOpen();
    const QString path = platform->dialogs.SaveFile(o);
    if (LinkLostSince(wasOpen))
        return;
    if (path.isEmpty()) {
        // Cancelled: the buttons show what is really going on.
        SetRecordButtons(nav.RecordingOn == 1);
        return;
    }
    // A new file while recording: the old one is closed off as a stop would.
    if (nav.RecordingOn == 1)
        WriteStopLine();
    nav.RecordFile = path;
    for (auto& s : nav.RawSentence)
        s.clear();
    nav.RecordingOn = 1;
    SetRecordButtons(true);
    recordWriteWarned = false;
    slotMissed = clockOffTold = false;

    const QString started = StampText(platform->clock.Now()) + QStringLiteral("(JST) Started.");
    const bool existed = QFile::exists(path);
    if (WriteLines(path, FileChannels::Mode::Output, {started}) != fileerr::kOk) {
        // Nothing can be recorded there: say so and stay idle rather than record into nothing,
        // and leave no empty file of ours behind (a full disk lets it be made, not written).
        if (!existed)
            QFile::remove(path);
        nav.RecordingOn = 0;
        SetRecordButtons(false);
        Message(QStringLiteral("記録ファイルを作成できません。\r\n") +
                    QDir::toNativeSeparators(path),
                MsgButtons::Ok, MsgIcon::Exclamation);
    }
}

void NAV_FORM::Mnu_Rec_Stop_Click() {
    if (nav.RecordingOn != 1)
        return;
    nav.RecordingOn = 0;
    const int err = WriteStopLine();
    SetRecordButtons(false);
    if (err != fileerr::kOk)
        WarnRecordWrite(err);
}

int NAV_FORM::WriteStopLine() {
    const QString stopped = StampText(platform->clock.Now()) + QStringLiteral("(JST) Stopped.");
    return WriteLines(nav.RecordFile, FileChannels::Mode::AppendExisting, {stopped});
}

void NAV_FORM::WarnRecordWrite(int err) {
    // Said once until a write succeeds again. A file renamed or deleted while recording is not
    // made anew: without its start line no replay would take it.
    if (recordWriteWarned)
        return;
    recordWriteWarned = true;
    TellLater((err == fileerr::kFileNotFound
                   ? QStringLiteral("記録ファイルが見つかりません。\r\n")
                   : QStringLiteral("記録ファイルに書き込めません。\r\n")) +
              QDir::toNativeSeparators(nav.RecordFile));
}

void NAV_FORM::TellClockOff() {
    // A whole slot minute went by with a fix and a GGA of another minute: the PC clock is a
    // minute or more off GPS time and no snapshot can match. Said once per recording.
    if (clockOffTold)
        return;
    clockOffTold = true;
    TellLater(QStringLiteral("PCの時計がGPSの時刻と1分以上ずれているため、記録できません。\r\n"
                             "PCの時計を合わせてください。"));
}

void NAV_FORM::WriteRecordBlock() {
    SnapshotTaken = 1;
    // The third model records any talker's GGA.
    const QString& gga = nav.RawSentence[0];
    if (!gga.startsWith(u"$GPGGA") &&
        !(nav.TunerType == u"2" && gga.startsWith(u'$') && gga.mid(3, 4) == u"GGA,"))
        return;
    // The by-fields model keeps the whole epoch shown; the others their five sentences.
    QStringList block;
    if (nav.TunerType == u"2") {
        block = snapshot::Block(receiver->Shown());
        if (block.size() < 2)
            return;
    } else {
        block = QStringList(nav.RawSentence.begin(), nav.RawSentence.end());
    }
    // A failed block is said once; recording goes on and retries at the next slot.
    const int err = WriteLines(nav.RecordFile, FileChannels::Mode::AppendExisting, block);
    if (err == fileerr::kOk)
        recordWriteWarned = false;
    else
        WarnRecordWrite(err);
}

void NAV_FORM::RecordingStep() {
    if (nav.RecordingOn == 0) {
        SnapshotTaken = 1;
        return;
    }
    const QDateTime now = platform->clock.Now();
    const int minute = now.time().minute();
    SlotText = QString::number(minute / 3.0, 'g', 15);
    const bool slotMinute = minute % 3 == 0;
    const QStringView fix = Mid(nav.RawSentence[1], 10, 1).value_or(QStringView());

    bool snapshot = false;
    if (fix == u"2" || fix == u"3") {
        const QString mm = QStringLiteral("%1").arg(minute, 2, 10, QLatin1Char('0'));
        const QStringView ggaMinute = Mid(nav.RawSentence[0], 10, 2).value_or(QStringView());
        if (SnapshotTaken == 0 && slotMinute && ggaMinute == mm) {
            snapshot = true;
        } else if (!slotMinute) {
            SnapshotTaken = 0;
        } else if (SnapshotTaken == 0) {
            const bool isMinute =
                ggaMinute.size() == 2 && ggaMinute[0].isDigit() && ggaMinute[1].isDigit();
            slotMissed = slotMissed || isMinute;
        }
    } else if (fix == u"1") {
        if (SnapshotTaken == 0 && slotMinute)
            snapshot = true;
        else if (!slotMinute)
            SnapshotTaken = 0;
    }
    if (!slotMinute && slotMissed) {
        slotMissed = false;
        if (fix == u"2" || fix == u"3")
            TellClockOff();
    }
    if (!snapshot)
        return;
    slotMissed = false;
    const QString fixChar = fix.toString();
    WriteRecordBlock();
    if (nav.HistoryLogOn == 1)
        WriteHistoryRecord(SlotText, now, fixChar);
}

void NAV_FORM::Image3_MouseDown(int index, int button, int /*shift*/, int /*x*/, int /*y*/) {
    if (button != 1)
        return;
    // Each press shows one member of each pair: the pressed button sunk, the other one up.
    if (index == 0) {
        Image3[0].visible = false;
        Image3[1].visible = true;
        Image3[2].visible = true;
        Image3[3].visible = false;
    } else if (index == 2) {
        Image3[0].visible = true;
        Image3[1].visible = false;
        Image3[2].visible = false;
        Image3[3].visible = true;
    }
}

void NAV_FORM::Image3_MouseUp(int index, int button, int /*shift*/, int /*x*/, int /*y*/) {
    if (button != 1)
        return;
    if (index == 0) {
        Image3[0].visible = false;
        Image3[1].visible = true;
        Mnu_Rec_Save_Click();
        Label18.caption = QStringLiteral("記録");
    } else if (index == 2) {
        if (nav.RecordingOn == 1) {
            const bool wasOpen = MSComm1->IsOpen();
            const MsgResult answer = Message(QStringLiteral("記録中です。終了しますか？"),
                                             MsgButtons::YesNo, MsgIcon::None);
            if (LinkLostSince(wasOpen))
                return;
            if (answer == MsgResult::Yes) {
                Mnu_Rec_Stop_Click();
                Label18.caption = QStringLiteral("記録");
            }
            SetRecordButtons(nav.RecordingOn == 1);
        } else {
            SetRecordButtons(false);
        }
    }
}

} // namespace velsor
