#include "decode_health.h"

#include "cli_support.h"
#include "decoding/receiver.h"
#include "decoding/stream_health.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace velsor {

namespace {

constexpr const char* kUsage = "usage: velsor-decode --health [--tuner 0|1|2] [FILE ...]";

int Fail(const std::string& message) {
    std::fprintf(stderr, "velsor-decode: %s\n", message.c_str());
    return 2;
}

} // namespace

bool WantsHealth(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--health") == 0)
            return true;
    }
    return false;
}

int RunHealth(int argc, char** argv) {
    QString tuner = QStringLiteral("0");
    std::vector<QString> files;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--health") {
        } else if (!optionsDone && velsor::cli::IsTunerOption(arg)) {
            if (const std::string error = velsor::cli::TakeTuner(argc, argv, i, tuner);
                !error.empty())
                return Fail(error);
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option '" + arg + "' with --health; " + kUsage);
        } else {
            files.push_back(QString::fromLocal8Bit(argv[i]));
        }
    }

    // Every file must be readable before anything is printed.
    std::vector<std::unique_ptr<QFile>> inputs;
    if (const std::string error = velsor::cli::OpenInputs(files, true, inputs); !error.empty())
        return Fail(error);

    // Each input is a stream of its own, read through a fresh receive path.
    std::vector<char> chunk(1 << 16);
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        QFile& f = *inputs[k];
        Nav nav;
        nav.TunerType = tuner;
        NAV_FORM form(nav);
        form.PrepareDisplay();
        Receiver receiver(nav, form, nullptr);
        StreamHealth health;
        receiver.listener = &health;
        for (;;) {
            const qint64 n = f.read(chunk.data(), static_cast<qint64>(chunk.size()));
            if (n < 0)
                return Fail("read error on '" + f.fileName().toStdString() +
                            "': " + f.errorString().toStdString());
            if (n == 0)
                break;
            receiver.AssembleBytes(QByteArrayView(chunk.data(), n));
        }
        const QString name = files.empty() ? QStringLiteral("-") : files[k];
        QByteArray json = health.Json(tuner);
        // The file name goes first so that a list of objects reads as a table.
        json.replace(0, 1, "{\"file\":" + cli::JsonString(name) + ',');
        const QByteArray out =
            json + '\n' + name.toUtf8() + ": " + health.Verdict().toUtf8() + '\n';
        if (!cli::WriteStdout(out))
            return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace velsor
