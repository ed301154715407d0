#include "nav/file_channels.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>

namespace velsor {

std::optional<QByteArray> ReadBoundedLine(QIODevice& f, qsizetype most) {
    if (f.atEnd())
        return std::nullopt;
    QByteArray line;
    bool tooLong = false;
    char c;
    while (f.getChar(&c)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            char next;
            if (f.peek(&next, 1) == 1 && next == '\n')
                f.getChar(&next);
            break;
        }
        if (line.size() < most)
            line += c;
        else
            tooLong = true;
    }
    return tooLong ? QByteArray() : line;
}

bool WriteFileWhole(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // A short write sets no error, and commit() does not notice a last flush that fails: both
    // are checked here.
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush() && file.commit();
}

FileChannels& FileChannels::Instance() {
    static FileChannels channels;
    return channels;
}

int FileChannels::Open(int channel, const QString& path, Mode mode) {
    if (IsOpen(channel))
        return fileerr::kAlreadyOpen;
    if (path.isEmpty())
        return fileerr::kBadFileNumber;
    const QFileInfo info(path);
    if (info.isDir())
        return fileerr::kPathFileAccess;
    if ((mode == Mode::Input || mode == Mode::AppendExisting) && !info.exists())
        return fileerr::kFileNotFound;
    if (mode != Mode::Input && !info.absoluteDir().exists())
        return fileerr::kPathNotFound;
    auto file = std::make_unique<QFile>(path);
    // Writes go straight to the file, so that a failed one can be cut back at once: nothing
    // is left in a buffer to follow later.
    QIODevice::OpenMode m = QIODevice::ReadOnly;
    if (mode == Mode::Output)
        m = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    else if (mode == Mode::Append)
        m = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    else if (mode == Mode::AppendExisting)
        m = QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly |
            QIODevice::Unbuffered;
    if (!file->open(m)) {
        if (mode == Mode::AppendExisting && !file->exists())
            return fileerr::kFileNotFound; // gone since the look above
        return file->error() == QFileDevice::PermissionsError ? fileerr::kPermissionDenied
                                                              : fileerr::kPathFileAccess;
    }
    files[channel] = std::move(file);
    return fileerr::kOk;
}

void FileChannels::Close(int channel) {
    auto it = files.find(channel);
    if (it == files.end())
        return;
    it->second->close();
    files.erase(it);
}

bool FileChannels::IsOpen(int channel) const {
    return files.count(channel) != 0;
}

int FileChannels::WriteLine(int channel, QStringView text) {
    return WriteLines(channel, QStringList{text.toString()});
}

int FileChannels::WriteLines(int channel, const QStringList& lines) {
    auto it = files.find(channel);
    if (it == files.end())
        return fileerr::kBadFileNumber;
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    QFile& f = *it->second;
    const qint64 before = f.size();
    if (f.write(bytes) == bytes.size())
        return fileerr::kOk;
    f.resize(before);
    return fileerr::kPathFileAccess;
}

std::optional<QString> FileChannels::ReadLine(int channel, int* error) {
    auto it = files.find(channel);
    if (it == files.end()) {
        if (error)
            *error = fileerr::kBadFileNumber;
        return std::nullopt;
    }
    QFile& f = *it->second;
    const auto line = ReadBoundedLine(f, std::numeric_limits<qsizetype>::max());
    if (error)
        *error = line ? fileerr::kOk : fileerr::kInputPastEnd;
    if (!line)
        return std::nullopt;
    return QString::fromLatin1(*line);
}

bool FileChannels::AtEnd(int channel) const {
    auto it = files.find(channel);
    return it == files.end() || it->second->atEnd();
}

QIODevice* FileChannels::Device(int channel) const {
    auto it = files.find(channel);
    return it == files.end() ? nullptr : it->second.get();
}

void FileChannels::CloseAll() {
    for (auto& [n, f] : files)
        f->close();
    files.clear();
}

} // namespace velsor
