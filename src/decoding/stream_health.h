#pragma once
// Stream health: how well the bytes arriving on the receive path look like the NMEA sentences
// of the chosen receiver. It watches the completed lines (and the overlong ones the assembler
// drops) and never changes what the decoders do with them.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace velsor {

// Told about every line the assembler completes, before it is dispatched, and about the text
// it throws away.
class StreamListener {
public:
    virtual ~StreamListener() = default;
    // A complete line, line feed included.
    virtual void Line(QStringView line) = 0;
    // Text of an overlong line that is dropped; firstPiece is set once per dropped line.
    virtual void Dropped(QStringView text, bool firstPiece) = 0;
};

// The two receiver layouts, by the number the settings use for them.
enum class Layout { Gt74 = 0, Cfgps = 1 };

// Whether the fixed-position fields of one $GPGGA or $GPGSV line hold what the layout puts
// there. Empty means the line says nothing about the layout (a $GPGGA without a time).
std::optional<bool> GgaFits(QStringView line, Layout layout);
std::optional<bool> GsvFits(QStringView line, Layout layout);

class StreamHealth final : public StreamListener {
public:
    void Line(QStringView line) override;
    void Dropped(QStringView text, bool firstPiece) override;
    void Reset() { *this = StreamHealth(); }

    // At least this many GGA/GSV lines before the layout fit is trusted.
    static constexpr std::uint64_t kMinJudged = 20;
    // At least this many bytes before the garbage share is trusted.
    static constexpr std::uint64_t kMinBytes = 400;
    // A share of non-NMEA bytes that clean serial data never comes near.
    static constexpr double kGarbageLimit = 0.2;
    static constexpr std::size_t kMaxTypes = 32;

    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    std::uint64_t blankLines = 0;
    std::uint64_t checksumMissing = 0;
    std::uint64_t checksumBad = 0;
    std::uint64_t unknownType = 0; // of none of the six types the fixed-position models read
    std::uint64_t overlongDropped = 0;
    std::uint64_t garbageBytes = 0;
    // Lines by sentence type, in the order first seen; types beyond kMaxTypes count under
    // "(other)".
    std::vector<std::pair<QString, std::uint64_t>> types;
    // GGA/GSV lines that could be judged, and how many of them fit each layout.
    std::uint64_t judged = 0;
    std::array<std::uint64_t, 2> fits{};
    // The $GPGGA lines among them: the fixed-position models take the fix from these alone.
    std::uint64_t ggaJudged = 0;
    std::array<std::uint64_t, 2> ggaFits{};
    // GGA, GNS, RMC, GSA and GSV lines of any talker, and how many of them read by fields.
    std::uint64_t fieldLines = 0;
    std::uint64_t fieldParsed = 0;
    // GGA, GNS and RMC lines of any talker that read by fields and carry a time: the stream's
    // fix, wherever it comes.
    std::uint64_t fixLines = 0;
    // Lines of no type the by-fields model reads (proprietary ones among them).
    std::uint64_t unknownFieldType = 0;

    // At least this many fix lines before their absence from $GPGGA is trusted.
    static constexpr std::uint64_t kMinFixLines = 10;

    double GarbageShare() const;
    double FitShare(Layout layout) const;
    double FieldShare() const;
    // The model would show the stream's fix: its $GPGGA lines (90 %) hold the fix at the
    // layout's positions.
    bool ShowsFix(Layout layout) const;
    // The layout fits (90 % of the GGA/GSV lines) and shows the fix.
    bool Fits(Layout layout) const;
    // Neither fixed model fits, and the GGA, GNS, RMC, GSA and GSV lines of any talker read by
    // their fields (90 %): model "2".
    bool ReadsByFields() const;

    // UseFields: the other fixed layout does not fit either; the third model reads it.
    enum class Hint { None, WrongModel, WrongBaud, UseFields };
    // What a user with this tuner setting ("0", "1" or "2") should be told, if anything.
    // lineSpeed: the bytes come over a line with a speed of its own (a serial port), so a
    // wrong speed can explain garbage; over TCP it cannot.
    Hint Diagnose(QStringView tunerType, bool lineSpeed = true) const;

    // One line, e.g. "fits GT-74/77 layout (98 % of GGA/GSV lines); CFGPS layout 3 %".
    QString Verdict() const;
    // One JSON object without a line end; tuner is the model the stream was read as.
    QByteArray Json(QStringView tuner) const;

private:
    void Count(QStringView type, std::uint64_t key);
    void CountBytes(QStringView text);
    std::vector<std::uint64_t> typeKeys;       // packed types, beside `types`
    std::array<std::uint8_t, 256> typeSlots{}; // 1 + index into types, by a hash of the key
};

} // namespace velsor
