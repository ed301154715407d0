#pragma once
// The third receiver model: any NMEA 0183 receiver, read by its fields. Every talker, every
// satellite system; writes the same shared state and display fields as the fixed-position
// decoders, plus Nav::Gnss. Its memory is fixed whatever the input.

#include "main_window/nav_form.h"
#include "nav/gnss.h"
#include "nav/nav.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

namespace velsor {

class Receiver;

class FieldDecoder {
public:
    FieldDecoder(Nav& nav, NAV_FORM& form, Receiver& receiver);

    // One line as the assembler delivers it, CR LF included or not.
    void Decode(const QString& line);
    // A replayed snapshot stands alone: what earlier snapshots left of the sky is forgotten.
    void ForgetSky();

    // The fields of a sentence between "$" and "*" (or the line end). A sentence whose
    // checksum is present and wrong, or which is not "$" and a five-letter address, gives
    // none. At most kMaxFields are kept; the rest of a longer sentence is ignored.
    static constexpr int kMaxFields = 40;
    struct Fields {
        std::array<QStringView, kMaxFields> f;
        int count = 0;
        bool checksummed = false; // a checksum was present and right
        bool checksumBad = false; // present and wrong: the fields are there but not to be used
        QStringView operator[](int i) const { return i < count ? f[i] : QStringView(); }
    };
    static bool Split(QStringView line, Fields& out);

    // System and the system's own number for a satellite number as a sentence gives it: the
    // talker's system, or the NMEA numbering ranges when the talker is GP or GN. None when the
    // number is outside every range.
    static GnssSatellite Identify(GnssSystem talker, int number);

private:
    // A GSV group as one talker and signal send it, in its messages.
    struct Source {
        std::uint32_t key = 0; // talker letters and signal id; 0 free
        std::uint32_t epoch = 0;
        int expect = 0; // next message number of the group being gathered, 0 none
        int pendingCount = 0, count = 0;
        std::array<GnssSatellite, GnssState::kMaxSatellites> pending{}, sats{};
    };
    static constexpr int kMaxSources = 12;
    // A group not repeated in this many epochs is no longer in view.
    static constexpr std::uint32_t kStaleEpochs = 10;

    void GGA(const Fields& f, const QString& line);
    void GNS(const Fields& f);
    void RMC(const Fields& f, const QString& line);
    void GLL(const Fields& f);
    void ZDA(const Fields& f, const QString& line);
    void GSA(const Fields& f, const QString& line, GnssSystem talker);
    void GSV(const Fields& f, const QString& line, GnssSystem talker);

    void FixTime(QStringView field);
    void Position(QStringView lat, QStringView ns, QStringView lon, QStringView ew);
    void Altitude(QStringView value, QStringView unit);
    void SetMode(int mode);
    void SetDate(int year, int month, int day, QStringView time, bool checked, bool zda);
    void CommitCutGroups();
    Source& SourceFor(std::uint32_t key);
    void Rebuild();
    void ShowCounts();
    void ShowTable();
    void StoreRaw(int index, const QString& line);
    // The raw label of a sentence that is not decoded.
    void ShowRaw(QStringView type, QStringView gsvNumber, const QString& line);

    Nav& nav;
    NAV_FORM& form;
    Receiver& receiver;
    GnssState& g;

    std::array<Source, kMaxSources> sources{};
    // The used satellites of this epoch: every GSA in a row adds to it.
    std::array<GnssSatellite, GnssState::kMaxSatellites> used{};
    int usedCount = 0;
    bool lastWasGsa = false;
    bool gsaSeen = false;
    int ggaUsed = 0;
    std::uint32_t epoch = 1;
    int epochTime = -1;
};

} // namespace velsor
