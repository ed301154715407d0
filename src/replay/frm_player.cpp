#include "replay/frm_player.h"

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/file_channels.h"
#include "replay/replay_reader.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace velsor {

using platform::MsgButtons;
using platform::MsgIcon;

namespace {
const QString kTooFew = QStringLiteral("データ数が足りません。ほかのファイルを選んでください。");
const QString kUnexpected =
    QStringLiteral("予期しないエラーとなってしまいました。強制終了されます。");
const QString kUnreadable = QStringLiteral("再生ファイルを読み込めません。\r\n");
const QString kFileCaption = QStringLiteral("再生ファイル：");
} // namespace

frmPlayer::frmPlayer(Nav& n, NAV_FORM& f, Receiver& r, platform::Dialogs& d, platform::Program& p)
    : nav(n), form(f), receiver(r), dialogs(d), program(p) {
    Label3 = MakeLabel(kFileCaption, 120, 120, 3735, 375);
    for (auto& img : Image4) {
        img.left = 3600;
        img.top = 120;
        img.width = img.height = 330;
        img.toolTip = QStringLiteral("再生するファイルを開きます");
    }
    Image4[1].visible = false;
    Label1[0] = MakeLabel(QString(), 120, 480, 3375, 255);
    Label2[0] = MakeLabel(QString(), 480, 1080, 3375, 255);
    HScroll1.left = 120;
    HScroll1.top = 720;
    HScroll1.width = 3735;
    HScroll1.height = 255;
    HScroll1.min = 0;
    HScroll1.max = Nav::kReplayBlocks;
    HScroll1.smallChange = 1;
    HScroll1.largeChange = LargeStep(HScroll1.max);
    HScroll1.enabled = false;
}

void frmPlayer::Changed() {
    if (changed)
        changed();
    if (form.changed)
        form.changed();
}

void frmPlayer::SetHScroll1Value(int v) {
    v = std::clamp(v, std::min(HScroll1.min, HScroll1.max), std::max(HScroll1.min, HScroll1.max));
    if (v == HScroll1.value)
        return;
    HScroll1.value = v;
    HScroll1_Change();
}

void frmPlayer::SetHScroll1Max(int m) {
    HScroll1.max = m;
    HScroll1.largeChange = LargeStep(m - HScroll1.min);
    if (HScroll1.value > std::max(HScroll1.min, m))
        SetHScroll1Value(m);
}

void frmPlayer::SetHScroll1Min(int m) {
    HScroll1.min = m;
    if (HScroll1.value < std::min(m, HScroll1.max))
        SetHScroll1Value(m);
}

void frmPlayer::ClearLines() {
    for (auto& block : nav.ReplayLine)
        for (QString& line : block)
            line.clear();
    nav.ReplayText = QByteArray();
    nav.ReplayAt = std::vector<qsizetype>();
}

void frmPlayer::DetectTuner() {
    // Whole epochs are what the by-fields model records.
    if (!nav.ReplayAt.empty())
        nav.TunerType = QStringLiteral("2");
    else if (auto t = RecordingTuner(nav.ReplayLine[0][0], nav.ReplayLine[0][4]))
        nav.TunerType = *t;
    if (nav.TunerType == u"0")
        form.Label14.caption = QStringLiteral("GT-74/77");
    else if (nav.TunerType == u"1")
        form.Label14.caption = QStringLiteral("CFGPS");
    else if (nav.TunerType == u"2")
        form.Label14.caption = QStringLiteral("NMEA");
}

void frmPlayer::Fatal() {
    dialogs.MessageBox(kUnexpected, MsgButtons::Ok, MsgIcon::Exclamation,
                       QString::fromLatin1(kProgramTitle));
    program.Exit();
}

void frmPlayer::PrimeDate(int block) {
    // The GGA comes first in a block and builds the local time from the last date decoded: the
    // block's own date sentence goes to its decoder before it, so that a jump shows the date of
    // the snapshot reached, not of the one left. Live decoding keeps its order. The by-fields
    // model shows a snapshot as one epoch, its date with it, and needs none of this.
    receiver.StartSnapshot();
    if (nav.TunerType == u"2")
        return;
    const QString& line = nav.ReplayLine[block][4];
    if (line.startsWith(u"$GPZDA")) {
        receiver.DecodeZDA(line);
    } else if (line.startsWith(u"$GPRMC")) {
        receiver.DecodeRMC(line);
    }
    // A snapshot of the first seconds of a UTC day can hold the date sentence of the second
    // before midnight: its GGA then belongs to the next day.
    const QString& gga = nav.ReplayLine[block][0];
    const qsizetype comma = gga.indexOf(u',');
    const auto seconds =
        comma > 0 ? SecondsOfDay(QStringView(gga).mid(comma + 1, 6)) : std::nullopt;
    if (seconds)
        nav.UtcDate = DayOfTime(nav.UtcDate, nav.UtcDateStamp, *seconds);
}

void frmPlayer::FeedEpoch(int block) {
    // A snapshot not loaded (the bar moved during a load) shows nothing.
    receiver.StartSnapshot();
    if (block >= 0 && block + 1 < static_cast<int>(nav.ReplayAt.size())) {
        const QByteArrayView text(nav.ReplayText);
        qsizetype at = nav.ReplayAt[static_cast<std::size_t>(block)];
        const qsizetype end = nav.ReplayAt[static_cast<std::size_t>(block) + 1];
        while (at < end) {
            const qsizetype lf = text.indexOf('\n', at);
            receiver.DispatchSentence(QString::fromLatin1(text.sliced(at, lf - at)));
            at = lf + 1;
        }
    }
    receiver.EndSnapshot();
}

void frmPlayer::FeedBlock(int block) {
    if (!nav.ReplayAt.empty()) {
        FeedEpoch(block);
        return;
    }
    PrimeDate(block);
    for (int k = 0; k < 5; ++k)
        receiver.DispatchSentence(nav.ReplayLine[block][k]);
    receiver.EndSnapshot();
}

void frmPlayer::HScroll1_Change() {
    try {
        if (!nav.ReplayAt.empty()) {
            FeedEpoch(HScroll1.value);
            Changed();
            return;
        }
        if (HScroll1.value >= 0 && HScroll1.value < static_cast<int>(nav.ReplayLine.size()))
            PrimeDate(HScroll1.value);
        for (int k = 0; k < 5; ++k) {
            const int v = HScroll1.value;
            if (v < 0 || v >= static_cast<int>(nav.ReplayLine.size())) {
                Fatal();
                return;
            }
            receiver.DispatchSentence(nav.ReplayLine[v][k]);
        }
        receiver.EndSnapshot();
    } catch (const std::exception&) {
        Fatal();
        return;
    }
    Changed();
}

void frmPlayer::Form_Load() {
    // A window opened again starts as designed, not where the last replay left it.
    loaded = true;
    Label3.caption = kFileCaption;
    Image4[0].visible = true;
    Image4[1].visible = false;
    HScroll1.value = 0;
    form.Mnu_File.enabled = false;
    form.Mnu_Option.enabled = false;
    form.Mnu_Version.enabled = false;
    if (mainWindowCorner) {
        const auto corner = mainWindowCorner();
        Left = corner[0];
        Top = corner[1];
    }
    HScroll1.min = 0;
    SetHScroll1Max(Nav::kReplayBlocks);
    Label1[0].caption.clear();
    Label2[0].caption.clear();
    busy = true;
    HScroll1.enabled = true;
    SetHScroll1Max(nav.ReplayCount);
    SetHScroll1Min(0);
    DetectTuner();
    busy = false;
    Changed();
}

void frmPlayer::Form_Unload() {
    // A load in progress stops at its next yield; its file is closed here.
    ++loadGeneration;
    FileChannels::Instance().Close(kReplayChannel);
    busy = false;
    loaded = false;
    ClearLines();
    form.Mnu_File.enabled = true;
    form.Mnu_Option.enabled = true;
    form.Mnu_Version.enabled = true;
    form.ReadSettings();
    Changed();
}

bool frmPlayer::ChooseFile(bool mainDialog) {
    // The main window's dialog offers the name last used with it, the recording file too.
    if (nav.RecordFile != recordFileSeen) {
        recordFileSeen = nav.RecordFile;
        mainDialogName = nav.RecordFile;
    }
    QString& name = mainDialog ? mainDialogName : ownDialogName;
    platform::FileDialogOptions o;
    o.title = QStringLiteral("ﾌｧｲﾙを開く");
    o.defaultExt = QStringLiteral("CSV");
    o.filter = QStringLiteral("CSVﾌｧｲﾙ(*.CSV)|*.CSV|");
    o.overwritePrompt = true;
    o.fileName = name;
    const QString path = dialogs.OpenFile(o);
    if (path.isEmpty())
        return false;
    name = path;
    nav.ReplayFile = path;
    SetFileCaption();
    return true;
}

void frmPlayer::SetFileCaption() {
    // The name without its folders, whichever separator they use.
    Label3.caption =
        kFileCaption + u' ' + QFileInfo(QDir::fromNativeSeparators(nav.ReplayFile)).fileName();
}

void frmPlayer::PrepareForLoad() {
    HScroll1.min = 0;
    SetHScroll1Max(Nav::kReplayBlocks);
    Label1[0].caption.clear();
    Label2[0].caption.clear();
    busy = true;
    HScroll1.enabled = false;
}

void frmPlayer::Refuse() {
    ClearLines();
    HScroll1.enabled = false;
    busy = false;
    Changed();
    dialogs.MessageBox(kTooFew, MsgButtons::Ok, MsgIcon::Exclamation,
                       QString::fromLatin1(kProgramTitle));
}

frmPlayer::Outcome frmPlayer::ReadAndCheck() {
    // A load begun during this one's yield takes the channel over; this one then stops.
    const int mine = ++loadGeneration;
    FileChannels::Instance().Close(kReplayChannel);
    Changed();
    sinceYield.start();
    auto yield = [this, mine] {
        if (sinceYield.elapsed() >= yieldMs) {
            program.ProcessEvents();
            sinceYield.start();
        }
        // A quit that came in through the events ends the load; nothing more is shown.
        return loadGeneration == mine && !program.ExitRequested();
    };
    const ReplayRead read = ReadRecording(nav.ReplayFile, nav, yield);
    if (read.aborted || loadGeneration != mine) {
        // Stopped by a quit, not by a newer load: the file is still this load's.
        if (loadGeneration == mine)
            FileChannels::Instance().Close(kReplayChannel);
        return Outcome::Abandoned;
    }
    Label1[0].caption = read.firstLine;
    skipped = read.skipped;
    if (read.stoppedLine)
        Label2[0].caption = *read.stoppedLine;
    if (read.error != fileerr::kOk) {
        // Gone or unreadable since it was chosen: say so, and nothing stays loaded.
        nav.ReplayCount = 0;
        ClearLines();
        HScroll1.enabled = false;
        busy = false;
        Changed();
        dialogs.MessageBox(kUnreadable + QDir::toNativeSeparators(nav.ReplayFile), MsgButtons::Ok,
                           MsgIcon::Exclamation, QString::fromLatin1(kProgramTitle));
        return Outcome::Refused;
    }
    nav.ReplayCount = read.count;
    if (nav.ReplayCount > 1)
        return Outcome::Loaded;
    Refuse();
    return Outcome::Refused;
}

void frmPlayer::OpenReplayFile() {
    if (!loaded)
        Form_Load();
    PrepareForLoad();
    SetHScroll1Min(0);
    Changed();
    if (!ChooseFile(true)) {
        busy = false;
        Changed();
        return;
    }
    ClearLines();
    if (ReadAndCheck() != Outcome::Loaded)
        return;
    HScroll1.enabled = true;
    SetHScroll1Value(0);
    SetHScroll1Max(nav.ReplayCount);
    SetHScroll1Min(0);
    DetectTuner();
    FeedBlock(0);
    busy = false;
    Changed();
}

void frmPlayer::LoadReplayFile() {
    PrepareForLoad();
    if (ReadAndCheck() != Outcome::Loaded)
        return;
    HScroll1.enabled = true;
    // The tuner first, so that a value brought down to the new end is fed as its tuner wrote it.
    DetectTuner();
    SetHScroll1Max(nav.ReplayCount);
    SetHScroll1Min(0);
    busy = false;
    Changed();
}

void frmPlayer::StartFromMenu() {
    OpenReplayFile();
    form.GraphOpened = 1;
    // Closed during the load, or the program is ending: nothing more to show.
    if (!loaded || program.ExitRequested())
        return;
    if (show)
        show();
}

void frmPlayer::Image4_MouseDown(int index, int /*button*/, int, int, int) {
    if (index != 0)
        return;
    Image4[0].visible = false;
    Image4[1].visible = true;
}

void frmPlayer::Image4_MouseUp(int index, int /*button*/, int, int, int) {
    if (index == 0) {
        if (!ChooseFile(false)) {
            Image4[1].visible = false;
            Image4[0].visible = true;
            return;
        }
        ClearLines();
        const int mine = loadGeneration + 1;
        LoadReplayFile();
        // A newer load, the window's closing or a quit took over during this one.
        if (loadGeneration != mine || !loaded || program.ExitRequested())
            return;
    }
    Image4[1].visible = false;
    Image4[0].visible = true;
    FeedBlock(0);
    Changed();
}

} // namespace velsor
