// velsor-graph: draws a reception history file as the graph window draws it, without a
// display. Prints the drawing operations as JSON, or renders the window's client area (the
// printed image) to PNG, PDF or SVG.

#include "cli_support.h"
#include "history_graph/frm_graph.h"
#include "views/graph_view.h"
#include "views/view_support.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <string>

namespace {

std::string Help() {
    using velsor::cli::OptionHelp;
    return velsor::cli::HelpText(
        {"velsor-graph [--series LIST] [--json] [-o OUT.png|OUT.pdf|OUT.svg] FILE.LOG"},
        "Draws a reception history file as the graph window draws it, without a display.",
        {
            OptionHelp{"--series LIST", "comma-separated subset of used,view,fix (default "
                                        "used,view; \"\" for none)"},
            OptionHelp{"--json", "print the drawing operations in twips as JSON"},
            OptionHelp{"-o OUT", "write the window's client area, the printed image (.png, "
                                 ".pdf or .svg)"},
            velsor::cli::kHelpHelp,
        });
}

int Fail(const QString& message) {
    std::fprintf(stderr, "velsor-graph: %s\n", qPrintable(message));
    return 2;
}

// Nothing to ask and nothing to wait for: the drawing runs straight through.
class BatchDialogs : public velsor::platform::Dialogs {
public:
    velsor::platform::MsgResult MessageBox(const QString& text, velsor::platform::MsgButtons,
                                           velsor::platform::MsgIcon, const QString&) override {
        std::fprintf(
            stderr, "velsor-graph: %s\n",
            qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "))));
        return velsor::platform::MsgResult::No;
    }
    QString SaveFile(const velsor::platform::FileDialogOptions&) override { return {}; }
    QString OpenFile(const velsor::platform::FileDialogOptions&) override { return {}; }
    void SetBusyPointer(bool) override {}
};

class BatchProgram : public velsor::platform::Program {
public:
    QString Directory() const override { return QCoreApplication::applicationDirPath(); }
    QString CommandLine() const override { return {}; }
    bool AnotherInstanceRunning() override { return false; }
    void ProcessEvents() override {}
    void Exit() override {}
    bool StartSystemInfo() override { return false; }
};

QJsonObject OpJson(const velsor::DrawOp& op) {
    QJsonObject o;
    if (op.kind == velsor::DrawOp::Kind::Text) {
        o[QStringLiteral("op")] = QStringLiteral("text");
        o[QStringLiteral("x")] = op.x1;
        o[QStringLiteral("y")] = op.y1;
        o[QStringLiteral("text")] = op.text;
    } else {
        o[QStringLiteral("op")] = QStringLiteral("line");
        o[QStringLiteral("x1")] = op.x1;
        o[QStringLiteral("y1")] = op.y1;
        o[QStringLiteral("x2")] = op.x2;
        o[QStringLiteral("y2")] = op.y2;
        o[QStringLiteral("color")] = velsor::ColorText(op.color);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    QString out, file;
    QString seriesList = QStringLiteral("used,view");
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        auto value = [&](const char* name) -> std::optional<QString> {
            if (i + 1 >= argc)
                return std::nullopt;
            (void)name;
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (!optionsDone && arg == u"--") {
            optionsDone = true;
        } else if (!optionsDone && (arg == u"--help" || arg == u"-h")) {
            return velsor::cli::PrintLast(Help());
        } else if (!optionsDone && arg == u"--json") {
            json = true;
        } else if (!optionsDone && arg == u"--series") {
            const auto v = value("--series");
            if (!v)
                return Fail(QStringLiteral("--series needs a list of used, view, fix"));
            seriesList = *v;
        } else if (!optionsDone && arg.startsWith(u"--series=")) {
            seriesList = arg.mid(9);
        } else if (!optionsDone && arg == u"-o") {
            const auto v = value("-o");
            if (!v)
                return Fail(QStringLiteral("-o needs a file name ending in .png, .pdf or .svg"));
            out = *v;
        } else if (!optionsDone && arg.startsWith(u'-') && arg.size() > 1) {
            return Fail(
                QStringLiteral("unknown option '%1'; %2").arg(arg, QLatin1String("see --help")));
        } else if (file.isEmpty()) {
            file = arg;
        } else {
            return Fail(QStringLiteral("one history file only, not '%1' as well").arg(arg));
        }
    }
    if (file.isEmpty())
        return Fail(QStringLiteral("no history file given; see --help"));
    bool used = false, view = false, fix = false;
    if (!seriesList.isEmpty()) {
        for (const QString& s : seriesList.split(u',')) {
            if (s == u"used")
                used = true;
            else if (s == u"view")
                view = true;
            else if (s == u"fix")
                fix = true;
            else
                return Fail(QStringLiteral("unknown series '%1' (used, view, fix)").arg(s));
        }
    }
    if (!out.isEmpty() && !velsor::IsImageFileName(out))
        return Fail(QStringLiteral("the output '%1' must end in .png, .pdf or .svg").arg(out));
#ifdef VELSOR_NO_SVG
    if (QFileInfo(out).suffix().toLower() == u"svg")
        return Fail(QStringLiteral("SVG output is not available in the Windows build; use .png "
                                   "or .pdf"));
#endif
    const QFileInfo info(file);
    if (!info.exists())
        return Fail(QStringLiteral("cannot read '%1': no such file").arg(file));
    if (!info.isFile() || !info.isReadable())
        return Fail(QStringLiteral("cannot read '%1': not a readable file").arg(file));

    velsor::cli::PrepareDrawing("velsor-graph");
    QApplication app(argc, argv);
    QApplication::setFont(velsor::views::UiFont());

    BatchDialogs dialogs;
    BatchProgram program;
    velsor::frmGraph graph(dialogs, program);
    graph.Form_Load();
    graph.Check1.value = used ? 1 : 0;
    graph.Check2.value = view ? 1 : 0;
    graph.Check3.value = fix ? 1 : 0;
    graph.HistoryFilePath = info.absoluteFilePath();
    graph.LoadHistoryFile();
    graph.DrawHistoryGraph();

    if (!out.isEmpty()) {
        velsor::views::GraphView window(graph);
        window.Render();
        if (!graph.printer || !graph.printer->SaveWindowImage(out))
            return Fail(QStringLiteral("cannot write '%1'").arg(out));
    }
    if (json) {
        QJsonArray ops;
        for (const velsor::DrawOp& op : graph.Picture1.ops)
            ops.append(OpJson(op));
        QJsonObject doc;
        doc[QStringLiteral("HistoryLastIndex")] = graph.HistoryLastIndex;
        doc[QStringLiteral("CountScale")] = graph.CountScale;
        doc[QStringLiteral("ops")] = ops;
        const QByteArray text = QJsonDocument(doc).toJson(QJsonDocument::Compact) + '\n';
        if (!velsor::cli::WriteStdout(text))
            return Fail(QStringLiteral("cannot write the standard output"));
    }
    return 0;
}
