#pragma once
// The numbered file channels shared by the whole program: 1 for the settings file, the recording
// file and history loading; 2 for replay loading; 5 for the history log. A channel is held from
// its opening to its closing. Text is one character per byte and lines end in CR LF.

#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <map>
#include <memory>
#include <optional>

namespace velsor {

// The next line of at most `most` bytes, without its end (CR LF, CR or LF). A longer line is
// skipped to its end and given as empty; nullopt at the end of the file.
std::optional<QByteArray> ReadBoundedLine(QIODevice& f, qsizetype most);

namespace fileerr {
inline constexpr int kOk = 0;
inline constexpr int kFileNotFound = 53;
inline constexpr int kAlreadyOpen = 55;
inline constexpr int kInputPastEnd = 62;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kBadFileMode = 54;
inline constexpr int kBadFileNumber = 52;
} // namespace fileerr

// Replaces the file at `path` with `bytes` whole, or leaves it as it was and returns false
// (a disk that fills midway, a folder that cannot be written). Written in place only where no
// new file can be made beside it.
bool WriteFileWhole(const QString& path, QByteArrayView bytes);

class FileChannels {
public:
    // AppendExisting appends to a file that is there and never creates one (kFileNotFound).
    enum class Mode { Input, Output, Append, AppendExisting };

    static FileChannels& Instance();

    // 0 or an error code; kAlreadyOpen when the channel is held.
    int Open(int channel, const QString& path, Mode mode);
    // Closing a free channel does nothing.
    void Close(int channel);
    bool IsOpen(int channel) const;

    // Writes lines each ended by CR LF, all or none: a write that fails part-way (a full disk)
    // is cut back to where the file ended before it.
    int WriteLine(int channel, QStringView text);
    int WriteLines(int channel, const QStringList& lines);
    // The next line without its line end; nullopt past the end or on error.
    std::optional<QString> ReadLine(int channel, int* error = nullptr);
    bool AtEnd(int channel) const;
    // The open file behind a channel, for readers that need more than whole lines; null when
    // the channel is free.
    QIODevice* Device(int channel) const;

    void CloseAll();

private:
    std::map<int, std::unique_ptr<QFile>> files;
};

} // namespace velsor
