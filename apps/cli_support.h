#pragma once
// What the command-line tools share: the --tuner option, the --help layout, Qt's remarks kept
// off standard error, opening every input before anything is printed, and writing the output.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace velsor::cli {

// One option of a --help text: as typed, and what it does, on one line.
struct OptionHelp {
    const char* option;
    const char* text;
};

// The --tuner line every tool that reads NMEA shows.
inline constexpr OptionHelp kTunerHelp{
    "--tuner 0|1|2", "receiver model: 0 GT-74/77 (default), 1 CFGPS, 2 any NMEA 0183"};
inline constexpr OptionHelp kHelpHelp{"-h, --help", "this text"};

// The usage lines, what the tool does, then every option on a line of its own with the
// descriptions lined up.
inline std::string HelpText(std::initializer_list<const char*> usage, const char* about,
                            std::initializer_list<OptionHelp> options) {
    std::string out;
    const char* lead = "usage: ";
    for (const char* u : usage) {
        out += lead + std::string(u) + '\n';
        lead = "       ";
    }
    out += '\n' + std::string(about) + "\n\n";
    std::size_t width = 0;
    for (const OptionHelp& o : options)
        width = std::max(width, std::string(o.option).size());
    for (const OptionHelp& o : options) {
        std::string option = o.option;
        option.resize(width, ' ');
        out += "  " + option + "  " + o.text + '\n';
    }
    return out;
}

inline bool IsTunerOption(const std::string& arg) {
    return arg == "--tuner" || arg.rfind("--tuner=", 0) == 0;
}

// Takes "--tuner 0|1|2" or "--tuner=0|1|2" at argv[i] (moving i past a separate value) into tuner.
// Returns what is wrong with it, or an empty text.
inline std::string TakeTuner(int argc, char** argv, int& i, QString& tuner) {
    const std::string arg = argv[i];
    std::string value;
    if (arg == "--tuner") {
        if (i + 1 >= argc)
            return "--tuner needs a value, 0, 1 or 2";
        value = argv[++i];
    } else {
        value = arg.substr(8);
    }
    if (value != "0" && value != "1" && value != "2")
        return "--tuner must be 0, 1 or 2, not '" + value + "'";
    tuner = QString::fromStdString(value);
    return {};
}

// The options of the tools that read captures and recordings into figures or a picture:
// [--tuner 0|1|2] [--json] [-o OUT] FILE ..., OUT ending in one of the given extensions.
struct FileToolArgs {
    QString tuner = QStringLiteral("0");
    bool json = false;
    bool help = false; // asked for: nothing after it was read
    QString out;
    std::vector<QString> files;
};

// Reads them into args; what is wrong with them, or an empty text.
inline std::string ParseFileToolArgs(int argc, char** argv,
                                     std::initializer_list<const char*> extensions,
                                     const char* usage, FileToolArgs& args) {
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg.size() <= 1 || arg[0] != '-') {
            args.files.push_back(QString::fromLocal8Bit(argv[i]));
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--json") {
            args.json = true;
        } else if (IsTunerOption(arg)) {
            if (std::string error = TakeTuner(argc, argv, i, args.tuner); !error.empty())
                return error;
        } else if (arg == "-o") {
            if (i + 1 >= argc)
                return "-o needs a file name";
            args.out = QString::fromLocal8Bit(argv[++i]);
            const QString ext = QFileInfo(args.out).suffix().toLower();
            if (std::none_of(extensions.begin(), extensions.end(),
                             [&](const char* e) { return ext == QLatin1String(e); })) {
                std::string names;
                for (const char* e : extensions)
                    names += (names.empty()                  ? "."
                              : e == *(extensions.end() - 1) ? " or ."
                                                             : ", .") +
                             std::string(e);
                return "-o: the output must end in " + names;
            }
        } else if (arg == "--help" || arg == "-h") {
            args.help = true;
            return {};
        } else {
            return "unknown option '" + arg + "'; " + usage;
        }
    }
    if (args.files.empty())
        return std::string("no input file; ") + usage;
    return {};
}

// Qt's remarks about the session it runs in (no runtime directory under a bare shell) are no
// concern of a tool that draws into a file: they are dropped. Anything else Qt says goes out
// as a line of the tool's own.
inline const char*& QtMessagePrefix() {
    static const char* prefix = "";
    return prefix;
}
inline void ToolQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths:"))
        return;
    std::fprintf(stderr, "%s: %s\n", QtMessagePrefix(), qPrintable(message));
}
inline void RouteQtMessages(const char* tool) {
    QtMessagePrefix() = tool;
    qInstallMessageHandler(ToolQtMessage);
}

// Opens every file for reading, or standard input when there are none and that is allowed.
// Returns what could not be opened, or an empty text.
inline std::string OpenInputs(const std::vector<QString>& files, bool stdinWhenNone,
                              std::vector<std::unique_ptr<QFile>>& inputs) {
    for (const QString& name : files) {
        if (QFileInfo(name).isDir())
            return "cannot read '" + name.toStdString() + "': is a directory";
        auto f = std::make_unique<QFile>(name);
        if (!f->open(QIODevice::ReadOnly))
            return "cannot read '" + name.toStdString() + "': " + f->errorString().toStdString();
        inputs.push_back(std::move(f));
    }
    if (inputs.empty() && stdinWhenNone) {
        auto f = std::make_unique<QFile>();
        // By descriptor (0), not FILE*: Qt's buffered-stdio path fails at the end of a pipe
        // on Windows (it seeks to re-sync, which a pipe refuses).
        if (!f->open(0, QIODevice::ReadOnly))
            return "cannot read standard input";
        inputs.push_back(std::move(f));
    }
    return {};
}

// Opens every file first (so that nothing is printed for a file that cannot be read), then
// reads each through reader, counting the recordings among them; what went wrong, or an empty
// text.
template <typename Reader>
std::string ReadFiles(const std::vector<QString>& files, Reader& reader, int& recordings) {
    std::vector<std::unique_ptr<QFile>> inputs;
    if (std::string error = OpenInputs(files, false, inputs); !error.empty())
        return error;
    for (auto& f : inputs) {
        if (const QString error = reader.Read(*f); !error.isEmpty())
            return "read error on '" + f->fileName().toStdString() + "': " + error.toStdString();
        recordings += reader.lastWasRecording ? 1 : 0;
    }
    return {};
}

// Before a tool's QGuiApplication: drawing needs fonts, not a screen, and Qt's remarks go
// where the tool's own go.
inline void PrepareDrawing(const char* tool) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RouteQtMessages(tool);
}

// The files' names without their folders.
inline QStringList FileNames(const std::vector<QString>& files) {
    QStringList names;
    for (const QString& f : files)
        names << QFileInfo(f).fileName();
    return names;
}

// A JSON string of a file name: quotes and backslashes escaped, control characters as "?".
inline QByteArray JsonString(const QString& s) {
    QByteArray o = "\"";
    for (const QChar c : s) {
        if (c == u'"' || c == u'\\')
            o += '\\';
        if (c.unicode() < 0x20)
            o += '?';
        else
            o += QString(c).toUtf8();
    }
    return o + '"';
}

// Writes bytes to standard output whole; false when they could not be.
inline bool WriteStdout(QByteArrayView bytes) {
    return bytes.isEmpty() || // the view of an empty array may hold no pointer at all
           std::fwrite(bytes.data(), 1, static_cast<size_t>(bytes.size()), stdout) ==
               static_cast<size_t>(bytes.size());
}

// A tool's last output: its exit code, 1 when the bytes could not all be written.
inline int PrintLast(QByteArrayView bytes) {
    return WriteStdout(bytes) && std::fflush(stdout) == 0 ? 0 : 1;
}

// What a file tool read, for its JSON: "tuner":"2","files":[...],"recordings":N
inline QByteArray JsonInputs(const QString& tuner, const std::vector<QString>& files,
                             int recordings) {
    QByteArray json = "\"tuner\":" + JsonString(tuner) + ",\"files\":[";
    for (std::size_t k = 0; k < files.size(); ++k)
        json += (k ? "," : "") + JsonString(files[k]);
    return json + "],\"recordings\":" + QByteArray::number(recordings);
}

} // namespace velsor::cli
