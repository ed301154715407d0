#pragma once
// Message boxes and file dialogs on Qt Widgets, and the busy pointer as an override cursor.

#include "platform/dialogs.h"

#include <QStringList>

namespace velsor::platform {

// Qt's own texts (the buttons of message boxes, the file dialogs) in Japanese, from Qt's
// translations (qtbase_ja.qm) where Qt keeps them or in "translations" beside the program.
// Returns false when they are not installed; the texts then stay English.
bool InstallQtTranslations();

class QtDialogs : public Dialogs {
public:
    ~QtDialogs() override;

    MsgResult MessageBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                         const QString& title) override;
    QString SaveFile(const FileDialogOptions& options) override;
    QString OpenFile(const FileDialogOptions& options) override;
    void SetBusyPointer(bool busy) override;

    // "CSV file(*.CSV)|*.CSV|All(*.*)|*.*|" as Qt name filters: one entry per description and
    // pattern pair, several patterns separated by ";" in the pair.
    static QStringList NameFilters(const QString& filter);
    // The path with ".ext" added when its file name has no extension of its own.
    static QString WithDefaultExtension(const QString& path, const QString& ext);

    // With no screen anybody can see (the offscreen platform), a message goes to standard
    // error and is answered with its safe default (OK, No); file dialogs are cancelled. A
    // program nobody watches must not wait forever for a click.
    void SetHeadless(bool on) { headless = on; }

private:
    QString Run(const FileDialogOptions& options, bool save);
    bool busy = false;
    bool headless = false;
};

} // namespace velsor::platform
