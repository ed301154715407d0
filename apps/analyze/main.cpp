// velsor-analyze: the reception analysis window's pages and figures from raw captures and
// recordings, without a display. Reads the files through the receive path as the window does,
// prints the figures (--json) or draws the four pages (-o OUT.png|OUT.pdf).

#include "analysis/analysis_json.h"
#include "analysis/analysis_pages.h"
#include "analysis/analysis_reader.h"
#include "cli_support.h"
#include "drawing/painter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace velsor;

constexpr const char* kUsage =
    "usage: velsor-analyze [--tuner 0|1|2] [--json] [-o OUT.png|OUT.pdf] FILE ...";

std::string Help() {
    using cli::OptionHelp;
    return cli::HelpText(
        {"velsor-analyze [--tuner 0|1|2] [--json] [-o OUT.png|OUT.pdf] FILE ..."},
        "Reception analysis of raw captures and recording files, as the window 受信解析 shows\n"
        "it: each satellite's SNR over time, the sky map, SNR by elevation and the spread of\n"
        "the position. A recording is read with the model it was made with. Without --json\n"
        "or -o it prints a one-line summary.",
        {
            OptionHelp{"--tuner 0|1|2",
                       "model for raw captures: 0 GT-74/77 (default), 1 CFGPS, 2 any NMEA"},
            OptionHelp{"--json", "print the figures as one JSON object"},
            OptionHelp{"-o OUT", "draw the four pages (.png one image, .pdf a page each)"},
            cli::kHelpHelp,
        });
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "velsor-analyze: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    cli::FileToolArgs args;
    if (const std::string error = cli::ParseFileToolArgs(argc, argv, {"png", "pdf"}, kUsage, args);
        !error.empty())
        return Fail(error);
    if (args.help) {
        return cli::PrintLast(Help());
    }

    analysis::ReceptionAnalysis a;
    analysis::AnalysisReader reader(a, args.tuner);
    int recordings = 0;
    if (const std::string error = cli::ReadFiles(args.files, reader, recordings); !error.empty())
        return Fail(error);
    reader.Finish();

    if (!args.out.isEmpty()) {
        cli::PrepareDrawing("velsor-analyze");
        QGuiApplication app(argc, argv);
        const QStringList names = cli::FileNames(args.files);
        const drawing::Style style;
        analysis::PageOptions o;
        o.range = analysis::ReceptionAnalysis::Range::Session;
        o.measure = drawing::Measure(style);
        o.source = analysis::SourceLine(a, names.size() > 3
                                               ? QStringLiteral("%1 ファイル").arg(names.size())
                                               : names.join(QStringLiteral("、")));
        std::vector<PictureBox> pages;
        for (int p = 0; p < analysis::kPages; ++p)
            pages.push_back(analysis::DrawPage(a, analysis::Page(p), o));
        const QString error = drawing::SavePictures(pages, args.out, style);
        if (!error.isEmpty())
            return Fail("cannot write '" + args.out.toStdString() + "': " + error.toStdString());
    }

    QByteArray text;
    if (args.json) {
        const QByteArray extra = cli::JsonInputs(args.tuner, args.files, recordings) + ',';
        text = analysis::AnalysisJson(a, extra) + '\n';
    } else if (args.out.isEmpty()) {
        const auto f = a.Position().Compute();
        text = QStringLiteral("%1 epochs, %2 fixes; CEP50 %3 m, CEP95 %4 m; %5 satellites\n")
                   .arg(a.Epochs())
                   .arg(f.fixes)
                   .arg(f.cep50, 0, 'f', 2)
                   .arg(f.cep95, 0, 'f', 2)
                   .arg(a.Satellites().Size())
                   .toUtf8();
    }
    return cli::PrintLast(text);
}
