#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace velsor::platform {

QtDialogs::~QtDialogs() {
    SetBusyPointer(false);
}

MsgResult QtDialogs::MessageBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                                const QString& title) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (headless) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title),
                     qPrintable(QString(shown).replace(u'\n', u' ')));
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    QMessageBox box(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, shown, QMessageBox::NoButton, QApplication::activeWindow());
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == MsgButtons::YesNo)
        return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    return MsgResult::Ok;
}

QStringList QtDialogs::NameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (patterns.isEmpty())
            continue;
        patterns.replace(u';', u' ');
        const QString group = QStringLiteral("(") + patterns + u')';
        // A description that already ends in its patterns is shown as it is.
        out << (desc.endsWith(group) ? desc : (desc + u' ' + group).trimmed());
    }
    return out;
}

QString QtDialogs::WithDefaultExtension(const QString& path, const QString& ext) {
    if (path.isEmpty() || ext.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(u'.'))
        return path;
    return path + u'.' + ext;
}

QString QtDialogs::Run(const FileDialogOptions& o, bool save) {
    if (headless)
        return QString();
    QFileDialog dialog(QApplication::activeWindow(), o.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !o.fileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(o.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!o.defaultExt.isEmpty())
        dialog.setDefaultSuffix(o.defaultExt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !o.overwritePrompt);
    if (!o.fileName.isEmpty())
        dialog.selectFile(o.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return QString();
    const QString path = WithDefaultExtension(chosen.first(), o.defaultExt);
    // A dialog of the desktop may not add the extension itself; then it did not ask about
    // the name with it either.
    if (save && o.overwritePrompt && path != chosen.first() && QFileInfo::exists(path)) {
        const QString text = QStringLiteral("%1 は既に存在します。\n上書きしますか？")
                                 .arg(QFileInfo(path).fileName());
        if (MessageBox(text, MsgButtons::YesNo, MsgIcon::Exclamation, o.title) != MsgResult::Yes)
            return QString();
    }
    return path;
}

QString QtDialogs::SaveFile(const FileDialogOptions& options) {
    return Run(options, true);
}

QString QtDialogs::OpenFile(const FileDialogOptions& options) {
    return Run(options, false);
}

void QtDialogs::SetBusyPointer(bool b) {
    if (b == busy || !qGuiApp)
        return;
    busy = b;
    if (b)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace velsor::platform
