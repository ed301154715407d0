#include "platform/printer.h"

namespace velsor::platform {

MsgResult WindowMessage(Dialogs& dialogs, const QString& text, MsgButtons buttons) {
    return dialogs.MessageBox(text, buttons,
                              buttons == MsgButtons::Ok ? MsgIcon::Exclamation : MsgIcon::None,
                              QStringLiteral("Velsor GPS Analyzer"));
}

QString PrintOrChoosePdf(Printer& printer, const QString& documentName, Dialogs& dialogs) {
    switch (printer.PrintWindow(documentName)) {
    case PrintResult::Printed:
        return {};
    case PrintResult::Failed:
        WindowMessage(dialogs, QStringLiteral("印刷できませんでした。"), MsgButtons::Ok);
        return {};
    case PrintResult::NoPrinter:
        break;
    }
    if (WindowMessage(dialogs,
                      QStringLiteral("プリンタがインストールされていません。\r\n"
                                     "代わりに PDF ファイルとして保存しますか？"),
                      MsgButtons::YesNo) != MsgResult::Yes)
        return {};
    FileDialogOptions o;
    o.title = QStringLiteral("PDF ファイルとして保存");
    o.defaultExt = QStringLiteral("PDF");
    o.filter = QStringLiteral("PDFﾌｧｲﾙ(*.PDF)|*.PDF|");
    o.overwritePrompt = true;
    return dialogs.SaveFile(o);
}

} // namespace velsor::platform
