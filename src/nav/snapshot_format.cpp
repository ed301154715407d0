#include "nav/snapshot_format.h"

namespace velsor::snapshot {

namespace {
constexpr QByteArrayView kHeader = "#SNAPSHOT,";
constexpr QByteArrayView kCut = ",CUT,";
} // namespace

QString Header(int lines, int leftOut) {
    QString h = QLatin1StringView(kHeader) + QString::number(lines);
    if (leftOut > 0)
        h += QLatin1StringView(kCut) + QString::number(leftOut);
    return h;
}

std::optional<int> HeaderCount(QByteArrayView line) {
    if (!line.startsWith(kHeader))
        return std::nullopt;
    QByteArrayView rest = line.sliced(kHeader.size());
    if (const qsizetype comma = rest.indexOf(','); comma >= 0) {
        // What follows the count is a note: ",CUT," and a number.
        if (!rest.sliced(comma).startsWith(kCut))
            return 0;
        rest = rest.first(comma);
    }
    int n = 0;
    if (rest.isEmpty() || rest.size() > 4)
        return 0;
    for (const char c : rest) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= kMaxLines ? n : 0;
}

bool IsGga(QByteArrayView line) {
    return line.size() >= 7 && line[0] == '$' && line.sliced(3, 4) == "GGA,";
}

QStringList Block(const Sentences& s) {
    QStringList lines;
    lines.reserve(kMaxLines + 1);
    lines << QString();
    qsizetype bytes = 0;
    int leftOut = 0;
    auto fits = [&](qsizetype more, qsizetype moreBytes) {
        return lines.size() - 1 + more <= kMaxLines && bytes + moreBytes <= kMaxBytes;
    };
    for (const auto* part : {&s.fix, &s.gsa}) {
        for (const QString& line : *part) {
            if (fits(1, line.size() + 2)) {
                lines << line;
                bytes += line.size() + 2;
            } else {
                ++leftOut;
            }
        }
    }
    for (const auto& group : s.groups) {
        qsizetype size = 0;
        for (const QString& line : group)
            size += line.size() + 2;
        const auto n = static_cast<qsizetype>(group.size());
        if (fits(n, size)) {
            lines.append(QStringList(group.begin(), group.end()));
            bytes += size;
        } else {
            leftOut += static_cast<int>(n);
        }
    }
    lines[0] = Header(static_cast<int>(lines.size() - 1), leftOut);
    return lines;
}

} // namespace velsor::snapshot
