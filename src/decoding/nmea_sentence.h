#pragma once
// One NMEA 0183 sentence framed in a received line: where it starts, its checksum and its
// fields. What the fields mean is for the readers (nmea_readers.h).

#include <QStringView>

#include <array>
#include <cstdint>

namespace velsor::nmea {

struct Sentence {
    // At most this many fields are kept; the rest of a longer sentence is ignored.
    static constexpr int kMaxFields = 40;
    std::array<QStringView, kMaxFields> f;
    int count = 0;
    QStringView text;         // from "$" to the checksum or the line end, line end left out
    bool checksummed = false; // a checksum was present and right
    bool checksumBad = false; // present and wrong: the fields are there but not to be used
    QStringView operator[](int i) const { return i < count ? f[i] : QStringView(); }
    // The address, "GPGGA": talker and type for the standard sentences.
    QStringView Address() const { return f[0]; }
};

// The sentence of a line starts at its last "$": bytes before it (noise, a TAG block, the CR
// of a line ended LF CR) are not part of it, and a "$" is never inside one. It ends at "*"
// and two hex digits, or without a checksum at the line end. False when the line holds no
// sentence, when its checksum is wrong (then out holds its fields, checksumBad set) or when
// its address is not one to eight capital letters or digits.
bool Frame(QStringView line, Sentence& out);

// The address packed into an integer, one byte a character ("GPGGA" -> 'G' 'P' 'G' 'G' 'A').
inline std::uint64_t AddressKey(QStringView address) {
    std::uint64_t key = 0;
    for (qsizetype i = 0; i < address.size() && i < 8; ++i)
        key = key << 8 | (address[i].unicode() & 0xff);
    return key;
}

} // namespace velsor::nmea
