// The reception history log: one record per snapshot, appended to the ".LOG" file beside the
// recording file through channel 5.

#include "main_window/nav_form.h"
#include "nav/file_channels.h"

#include <QDir>

namespace velsor {

namespace {
constexpr int kChannel = 5;
} // namespace

QString HistoryFileName(const QString& recordFile) {
    // The recording's extension (".CSV", or any dot and three characters) gives way to ".LOG".
    // A name without one keeps its whole name: cutting four characters off "2026.12.07" or
    // "d/a.b" would share one history between recordings or put it outside their folder. And
    // records written into a recording named *.LOG would break every later block of it.
    const qsizetype n = recordFile.size();
    bool extension = n > 4 && recordFile[n - 4] == u'.';
    for (qsizetype i = n - 3; extension && i < n; ++i)
        extension = recordFile[i] != u'.' && recordFile[i] != u'/' && recordFile[i] != u'\\';
    if (!extension || recordFile.endsWith(u".LOG", Qt::CaseInsensitive))
        return recordFile + QStringLiteral(".LOG");
    return recordFile.first(n - 4) + QStringLiteral(".LOG");
}

QString HistoryRecord(const QString& slot, const QDateTime& now, int used, int inView,
                      QStringView fix) {
    return slot + u',' + now.toString(u"yy/MM/dd HH:mm") + u',' + QString::number(used) + u',' +
           QString::number(inView) + u',' + fix.toString();
}

void NAV_FORM::WriteHistoryRecord(const QString& slot, const QDateTime& taken, QStringView fix) {
    const QString path = HistoryFileName(nav.RecordFile);
    const QString record = HistoryRecord(slot, taken, nav.SatsInUse, nav.SatsInView, fix);
    FileChannels& ch = FileChannels::Instance();
    int err = ch.Open(kChannel, path, FileChannels::Mode::Append);
    if (err == fileerr::kOk) {
        err = ch.WriteLine(kChannel, record);
        ch.Close(kChannel);
    }
    if (err == fileerr::kOk) {
        historyWriteWarned = false;
        return;
    }
    // Said once until a record goes in again; each snapshot tries anew.
    if (historyWriteWarned)
        return;
    historyWriteWarned = true;
    TellLater(QStringLiteral("履歴ファイルに書き込めません。\r\n") +
              QDir::toNativeSeparators(path));
}

} // namespace velsor
