// velsor-skymap: where the antenna does not see the sky. Reads raw captures and recording files
// through the receive path, gathers every GSV sighting into 10 x 10 degree cells and prints the
// grid (--json) or draws it in the sky plot's geometry (-o OUT.png|OUT.svg|OUT.pdf).

#include "cli_support.h"
#include "render.h"
#include "skymap/sky_map.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: velsor-skymap [--tuner 0|1|2] [--json] [-o OUT.png|OUT.svg|OUT.pdf] FILE ...";

std::string Help() {
    using velsor::cli::OptionHelp;
    return velsor::cli::HelpText(
        {"velsor-skymap [--tuner 0|1|2] [--json] [-o OUT.png|OUT.svg|OUT.pdf] FILE ..."},
        "Where the antenna does not see the sky: reads raw captures and recording files through\n"
        "the receive path and gathers every GSV sighting into 10 x 10 degree cells. Without\n"
        "--json or -o it prints a one-line summary.",
        {
            velsor::cli::kTunerHelp,
            OptionHelp{"--json", "print the cells and their mean SNR as one JSON object"},
            OptionHelp{"-o OUT", "draw the map in the sky plot's geometry (.png, .svg or .pdf)"},
            velsor::cli::kHelpHelp,
        });
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "velsor-skymap: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    velsor::cli::FileToolArgs args;
    if (const std::string error =
            velsor::cli::ParseFileToolArgs(argc, argv, {"png", "svg", "pdf"}, kUsage, args);
        !error.empty())
        return Fail(error);
    if (args.help) {
        return velsor::cli::PrintLast(Help());
    }

    velsor::SkyMap map;
    velsor::SkyMapReader reader(map, args.tuner);
    int recordings = 0;
    if (const std::string error = velsor::cli::ReadFiles(args.files, reader, recordings);
        !error.empty())
        return Fail(error);

    if (!args.out.isEmpty()) {
        velsor::cli::PrepareDrawing("velsor-skymap");
        QGuiApplication app(argc, argv);
        const QStringList names = velsor::cli::FileNames(args.files);
        // In the legend's language.
        const QString title =
            QStringLiteral("衛星観測 %1 件、GSV %2 行：%3")
                .arg(map.Sightings())
                .arg(map.gsvLines)
                .arg(names.size() > 6 ? QStringLiteral("%1 ファイル").arg(names.size())
                                      : names.join(QStringLiteral("、")));
        const QString error = velsor::RenderSkyMap(map, args.out, title);
        if (!error.isEmpty())
            return Fail("cannot write '" + args.out.toStdString() + "': " + error.toStdString());
    }

    QByteArray text;
    if (args.json) {
        const QByteArray extra = velsor::cli::JsonInputs(args.tuner, args.files, recordings) +
                                 ",\"snapshots\":" + QByteArray::number(map.snapshots) + ',';
        text = map.Json(extra) + '\n';
    } else if (args.out.isEmpty()) {
        int seen = 0, blocked = 0;
        for (int e = 0; e < velsor::SkyMap::kElevationCells; ++e) {
            for (int a = 0; a < velsor::SkyMap::kAzimuthCells; ++a) {
                seen += map.Cell(e, a).Seen() ? 1 : 0;
                blocked += map.Cell(e, a).Blocked() ? 1 : 0;
            }
        }
        text = QStringLiteral("%1 sightings in %2 GSV lines; %3 of %4 cells seen, %5 blocked\n")
                   .arg(map.Sightings())
                   .arg(map.gsvLines)
                   .arg(seen)
                   .arg(velsor::SkyMap::kElevationCells * velsor::SkyMap::kAzimuthCells)
                   .arg(blocked)
                   .toUtf8();
    }
    return velsor::cli::PrintLast(text);
}
