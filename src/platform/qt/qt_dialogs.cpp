#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace velsor::platform {

namespace {

// The width a title bar needs for the title: its text in the bold face title bars use, the
// program icon before it and the close box after it, and the frame's margins.
int TitleBarWidth(const QString& title) {
    int widest = 0, height = 0;
    for (QFont f : {QApplication::font(), QApplication::font("QMdiSubWindowTitleBar")}) {
        f.setBold(true);
        const QFontMetrics fm(f);
        widest = std::max(widest, fm.horizontalAdvance(title));
        height = std::max(height, fm.height());
    }
    return widest + 4 * height + 32;
}

} // namespace

bool InstallQtTranslations() {
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto translator = std::make_unique<QTranslator>();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    for (const QString& dir :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
            QCoreApplication::installTranslator(translator.get());
            translator.release()->setParent(app);
            return true;
        }
    }
    return false;
}

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
    box.setTextFormat(Qt::PlainText); // a user's value (a --source address) shows as typed
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    // Qt sizes a box for its text; a short text would leave the title cut in the title bar.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(TitleBarWidth(title), 0, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
