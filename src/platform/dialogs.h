#pragma once
// Message boxes, file dialogs and the busy pointer.

#include <QString>

namespace velsor::platform {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Yes, No };

struct FileDialogOptions {
    QString title;
    QString defaultExt; // without the dot, e.g. "CSV"
    QString filter;     // "description|pattern|description|pattern|..."
    QString fileName;   // initial name
    bool overwritePrompt = false;
    bool fileMustExist = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult MessageBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                                 const QString& title) = 0;
    // The chosen path, or empty text when cancelled.
    virtual QString SaveFile(const FileDialogOptions& options) = 0;
    virtual QString OpenFile(const FileDialogOptions& options) = 0;
    virtual void SetBusyPointer(bool busy) = 0;
};

} // namespace velsor::platform
