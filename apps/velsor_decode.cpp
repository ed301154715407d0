// velsor-decode: feeds raw bytes (files, or standard input) through the receive path exactly as
// bytes from the tuner's port and prints the decoded state as JSON. No clock is ever set.

#include "cli_support.h"
#include "decode_health.h"
#include "decoding/receiver.h"
#include "decoding/state_json.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "replay_cli.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: velsor-decode [--tuner 0|1|2] [--each | --health] [FILE ...]";

std::string Help() {
    using velsor::cli::OptionHelp;
    return velsor::cli::HelpText(
        {"velsor-decode [--tuner 0|1|2] [--each | --health] [FILE ...]",
         "velsor-decode --replay FILE [--tuner 0|1|2] [--block N | --each]"},
        "Feeds raw NMEA bytes (the FILEs, or standard input) through the receive path as bytes\n"
        "from the tuner's port and prints the decoded state as JSON. No clock is ever set.",
        {
            velsor::cli::kTunerHelp,
            OptionHelp{"--each", "one JSON object after every line, not only at the end"},
            OptionHelp{"--health", "per input: counts as JSON, then a verdict on its layout"},
            OptionHelp{"--replay FILE",
                       "read a recording as the replay window does (exit 3: too short)"},
            OptionHelp{"--block N",
                       "with --replay: the state after feeding block N (0 = the first)"},
            velsor::cli::kHelpHelp,
        });
}

// --help anywhere before "--" wins over every mode.
bool WantsHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "velsor-decode: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (WantsHelp(argc, argv)) {
        return velsor::cli::PrintLast(Help());
    }
    if (velsor::cli::WantsReplay(argc, argv))
        return velsor::cli::RunReplay(argc, argv);
    if (velsor::WantsHealth(argc, argv))
        return velsor::RunHealth(argc, argv);
    QString tuner = QStringLiteral("0");
    bool each = false;
    std::vector<QString> files;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--each") {
            each = true;
        } else if (!optionsDone && velsor::cli::IsTunerOption(arg)) {
            if (const std::string error = velsor::cli::TakeTuner(argc, argv, i, tuner);
                !error.empty())
                return Fail(error);
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option '" + arg + "'; " + kUsage);
        } else {
            files.push_back(QString::fromLocal8Bit(argv[i]));
        }
    }

    // Every file must be readable before anything is printed.
    std::vector<std::unique_ptr<QFile>> inputs;
    if (const std::string error = velsor::cli::OpenInputs(files, true, inputs); !error.empty())
        return Fail(error);

    velsor::Nav nav;
    nav.TunerType = tuner;
    velsor::NAV_FORM form(nav);
    form.PrepareDisplay();
    velsor::Receiver receiver(nav, form, nullptr);

    QByteArray out;
    bool writeFailed = false;
    if (each) {
        receiver.afterDispatch = [&] {
            velsor::AppendStateJson(out, nav, form, receiver.linesDispatched, receiver.lastType);
            out += '\n';
            if (out.size() >= 1 << 16) {
                writeFailed = writeFailed || !velsor::cli::WriteStdout(out);
                out.clear();
            }
        };
    }

    std::vector<char> chunk(1 << 16);
    for (auto& f : inputs) {
        for (;;) {
            const qint64 n = f->read(chunk.data(), static_cast<qint64>(chunk.size()));
            if (n < 0)
                return Fail("read error on '" + f->fileName().toStdString() +
                            "': " + f->errorString().toStdString());
            if (n == 0)
                break;
            receiver.AssembleBytes(QByteArrayView(chunk.data(), n));
            if (writeFailed)
                return 1;
        }
    }
    // The end of the input ends the epoch it was in.
    receiver.Flush();
    if (!each) {
        velsor::AppendStateJson(out, nav, form, receiver.linesDispatched, receiver.lastType);
        out += '\n';
    }
    return velsor::cli::PrintLast(out);
}
