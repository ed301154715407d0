// velsor-decode --replay FILE [--tuner 0|1|2] [--block N | --each]: the file is chosen, read and
// fed by the replay window's own model, on dialogs that answer with FILE and keep quiet.

#include "replay_cli.h"

#include "cli_support.h"

#include "decoding/receiver.h"
#include "decoding/state_json.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "replay/frm_player.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace velsor::cli {

namespace {

constexpr const char* kUsage =
    "usage: velsor-decode --replay FILE [--tuner 0|1|2] [--block N | --each]";

int Fail(const std::string& message) {
    std::fprintf(stderr, "velsor-decode: %s\n", message.c_str());
    return 2;
}

// The file dialog answers with the file; messages are kept for the caller.
class ScriptDialogs : public platform::Dialogs {
public:
    explicit ScriptDialogs(QString f) : file(std::move(f)) {}
    platform::MsgResult MessageBox(const QString& text, platform::MsgButtons, platform::MsgIcon,
                                   const QString&) override {
        messages << text;
        return platform::MsgResult::Ok;
    }
    QString SaveFile(const platform::FileDialogOptions&) override { return QString(); }
    QString OpenFile(const platform::FileDialogOptions&) override { return file; }
    void SetBusyPointer(bool) override {}
    QStringList messages;

private:
    QString file;
};

// No window system to let in; an end asked for is remembered.
class ScriptProgram : public platform::Program {
public:
    QString Directory() const override { return QString(); }
    QString CommandLine() const override { return QString(); }
    bool AnotherInstanceRunning() override { return false; }
    void ProcessEvents() override {}
    void Exit() override { exitRequested = true; }
    bool ExitRequested() const override { return exitRequested; }
    bool StartSystemInfo() override { return false; }
    bool exitRequested = false;
};

struct Options {
    QString file;
    QString tuner = QStringLiteral("0");
    std::optional<int> block;
    bool each = false;
};

std::optional<std::string> Parse(int argc, char** argv, Options& o) {
    bool haveFile = false;
    auto value = [&](int& i, const std::string& arg,
                     const std::string& name) -> std::optional<std::string> {
        if (arg == name) {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        }
        return arg.substr(name.size() + 1);
    };
    auto is = [](const std::string& arg, const std::string& name) {
        return arg == name || arg.rfind(name + "=", 0) == 0;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (is(arg, "--replay")) {
            const auto v = value(i, arg, "--replay");
            if (!v || v->empty())
                return std::string("--replay needs a file");
            if (haveFile)
                return std::string("only one --replay file");
            o.file = QString::fromLocal8Bit(v->c_str());
            haveFile = true;
        } else if (is(arg, "--tuner")) {
            const auto v = value(i, arg, "--tuner");
            if (!v || (*v != "0" && *v != "1" && *v != "2"))
                return std::string("--tuner must be 0, 1 or 2");
            o.tuner = QString::fromStdString(*v);
        } else if (is(arg, "--block")) {
            const auto v = value(i, arg, "--block");
            bool ok = false;
            const int n = v ? QString::fromStdString(*v).toInt(&ok) : 0;
            if (!ok || n < 0)
                return std::string("--block needs a block number, 0 or more");
            o.block = n;
        } else if (arg == "--each") {
            o.each = true;
        } else {
            return "unexpected '" + arg + "'; " + kUsage;
        }
    }
    if (!haveFile)
        return std::string(kUsage);
    if (o.each && o.block)
        return std::string("--block and --each exclude each other");
    return std::nullopt;
}

} // namespace

bool WantsReplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strncmp(argv[i], "--replay", 8) == 0 && (argv[i][8] == 0 || argv[i][8] == '='))
            return true;
    }
    return false;
}

int RunReplay(int argc, char** argv) {
    Options o;
    if (const auto error = Parse(argc, argv, o))
        return Fail(*error);
    {
        QFile probe(o.file);
        if (QFileInfo(o.file).isDir())
            return Fail("cannot read '" + o.file.toStdString() + "': is a directory");
        if (!probe.open(QIODevice::ReadOnly))
            return Fail("cannot read '" + o.file.toStdString() +
                        "': " + probe.errorString().toStdString());
    }

    Nav nav;
    nav.TunerType = o.tuner;
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver receiver(nav, form, nullptr);
    ScriptDialogs dialogs(o.file);
    ScriptProgram program;
    frmPlayer player(nav, form, receiver, dialogs, program);

    bool refused = false;
    std::optional<int> fed;
    QByteArray out;
    auto print = [&] {
        QByteArray state;
        AppendStateJson(state, nav, form, receiver.linesDispatched, receiver.lastType);
        state.chop(1); // the closing brace: the replay key goes inside
        QJsonObject replay{
            {QStringLiteral("ReplayCount"), nav.ReplayCount},
            {QStringLiteral("block"), fed ? QJsonValue(*fed) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("refused"), refused},
            {QStringLiteral("skipped"), player.skipped},
            {QStringLiteral("Label1"), player.Label1[0].caption},
            {QStringLiteral("Label2"), player.Label2[0].caption},
            {QStringLiteral("Label3"), player.Label3.caption},
        };
        out +=
            state + ",\"replay\":" + QJsonDocument(replay).toJson(QJsonDocument::Compact) + "}\n";
    };

    player.OpenReplayFile();
    if (dialogs.messages.contains(
            QStringLiteral("データ数が足りません。ほかのファイルを選んでください。"))) {
        refused = true;
    } else if (!dialogs.messages.isEmpty()) {
        // Read when checked, unreadable when loaded.
        return Fail("cannot read '" + o.file.toStdString() +
                    "': " + dialogs.messages.join(u' ').simplified().toStdString());
    } else {
        fed = 0;
    }
    if (refused || !o.each) {
        if (!refused && o.block && *o.block != 0) {
            player.SetHScroll1Value(*o.block);
            fed = player.HScroll1.value;
        }
        print();
    } else {
        print();
        for (int v = 1; v <= nav.ReplayCount; ++v) {
            player.SetHScroll1Value(v);
            fed = v;
            print();
        }
    }
    if (program.exitRequested)
        return Fail("replay stopped on an unexpected error");
    if (PrintLast(out) != 0)
        return 1;
    return refused ? 3 : 0;
}

} // namespace velsor::cli
