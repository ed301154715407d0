#pragma once
// What the command-line tools share: the --tuner option and opening every input before
// anything is printed.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace velsor::cli {

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
        if (!f->open(stdin, QIODevice::ReadOnly))
            return "cannot read standard input";
        inputs.push_back(std::move(f));
    }
    return {};
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

} // namespace velsor::cli
