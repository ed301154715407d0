#pragma once
// The third receiver model: any NMEA 0183 receiver, read by its fields. Every talker, every
// satellite system; writes the same shared state and display fields as the fixed-position
// decoders, plus Nav::Gnss. Its memory is fixed whatever the input.
//
// Sentences are gathered into epochs, the sentences of one moment. What the window shows is
// published once an epoch is complete, not after every sentence: an epoch ends where the next
// one's fix time begins, where a sentence of it comes again, or at the sentence that ended the
// receiver's last two epochs.

#include "decoding/nmea_readers.h"
#include "decoding/nmea_sentence.h"
#include "main_window/nav_form.h"
#include "nav/gnss.h"
#include "nav/nav.h"
#include "nav/snapshot_format.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace velsor {

class FieldDecoder {
public:
    FieldDecoder(Nav& nav, NAV_FORM& form);

    // One line as the assembler delivers it, CR LF included or not. Returns how many epochs it
    // completed and published (mostly 0 or 1); type is the sentence's "$" and address, empty
    // when the line holds none.
    int Decode(const QString& line, QStringView& type);
    // Publishes the epoch still open: the input ended.
    int Flush();
    // A replayed snapshot stands alone: what earlier snapshots left of the sky, position, date
    // and time is forgotten, its lines make one epoch, and a GSV group it holds only part of is
    // shown as far as it goes (a five-line block keeps two messages of a group). Its GSAs are
    // read after its groups, which tell the systems of GSAs without a system id.
    void StartSnapshot();
    int EndSnapshot();
    // The sentences the window's state was built from at the last epoch shown, for the
    // recorder.
    snapshot::Sentences Shown() const;

    // Framing, for the callers that read fields themselves.
    using Fields = nmea::Sentence;
    static bool Split(QStringView line, Fields& out) { return nmea::Frame(line, out); }

    // System and the system's own number for a satellite number as a sentence gives it: the
    // talker's system, or the NMEA numbering ranges when the talker is GP or GN. None when the
    // number is outside every range.
    static GnssSatellite Identify(GnssSystem talker, int number);

    // Most fix, date and GSA sentences an epoch keeps for the recorder; a longer epoch keeps its
    // first ones.
    static constexpr int kMaxEpochLines = snapshot::kMaxLines;

private:
    using Numbers = std::array<std::uint64_t, 8>;
    // A sentence type read: how many fields it needs after its address (one without them is
    // cut short, or of another kind), and its reader.
    struct Reader {
        std::uint32_t type; // its three letters, one byte each
        int fewest;
        void (FieldDecoder::*read)(const nmea::Sentence&);
        bool fixTime; // its time is the fix's: it begins an epoch when it changes
    };
    static const Reader kReaders[];

    // A GSV group as one talker and signal send it, in its messages.
    struct Source {
        std::uint32_t key = 0; // talker letters and signal id; 0 free
        GnssSystem talker = GnssSystem::None;
        int expect = 0; // next message number of the group being gathered, 0 none
        int pendingCount = 0, count = 0;
        std::int64_t heardMs = -1;    // stream time of its last complete group; -1 none
        std::int64_t intervalMs = -1; // between its last two complete groups
        std::array<GnssSatellite, GnssState::kMaxSatellites> pending{}, sats{};
        // The satellite numbers as the group gives them, 0 to 511.
        Numbers pendingNumbers{}, numbers{};
        // Its messages as received (99 at most), for the recorder.
        std::vector<QString> pendingLines, lines;
    };
    // Talkers times signals of the receivers of today (GPS L1 L2 L5, Galileo E1 E5a E5b E6,
    // BeiDou B1I B1C B2a B2I B3I, ...), with room to spare.
    static constexpr int kMaxSources = 32;
    static constexpr int kMaxKeys = 64;

    // What the sentences of the epoch being received said.
    struct Epoch {
        int sentences = 0;        // read by a reader
        bool fixSentence = false; // a GGA, RMC, GNS or GLL among them
        std::optional<int> time, zdaTime;
        nmea::FixKind fix = nmea::FixKind::Unsaid; // the best any fix sentence said
        std::optional<nmea::Position> pos;         // of a GNSS fix
        std::optional<double> altitude;
        std::optional<int> used; // GGA, GNS
        bool clockChecked = false;
        // The GSA of the epoch: the fix they say and the satellites they list.
        bool gsa = false;
        int gsaFix = 1;
        int gsaInRow = 0;
        std::uint8_t systemsTaken = 0;
        std::array<GnssSatellite, GnssState::kMaxSatellites> listed{};
        int listedCount = 0;
        // The sentences seen, for the repeat rule and the learning of the last one.
        std::array<std::uint64_t, kMaxKeys> keys{};
        int keyCount = 0;
        std::uint64_t lastKey = 0;
        bool lastWasGsa = false;
        bool satsChanged = false;
        bool dateChanged = false;
        // The last line of each raw kind (GGA, GSV 1, GSV 2, GSA, date), from its "$", and the
        // last decoded one, for Label16 and Nav::RawSentence.
        std::array<QString, 5> raw, rawDecoded;
        std::array<qsizetype, 5> rawAt{}, rawDecodedAt{};
        std::uint8_t rawSeen = 0, rawDecodedSeen = 0;
    };

    // The key of a sentence for the epoch rules: its address, and for GSV its signal and
    // message (the last of a group as such), for GSA its place in a row.
    std::uint64_t KeyOf(const nmea::Sentence& s, bool gsa, bool gsv) const;
    void KeepRaw(int kind, const QString& line, qsizetype at, bool decoded);
    void OnGga(const nmea::Sentence& s);
    void OnRmc(const nmea::Sentence& s);
    void OnGll(const nmea::Sentence& s);
    void OnGns(const nmea::Sentence& s);
    void OnZda(const nmea::Sentence& s);
    void OnGsa(const nmea::Sentence& s);
    void OnGsv(const nmea::Sentence& s);

    // A fix sentence: its time, what it says of the fix, its position and height.
    void FixSentence(std::optional<int> time, nmea::FixKind kind, bool checked,
                     const std::optional<nmea::Position>& pos, std::optional<double> altitude);
    void StreamTime(int ms);
    // False when the date is no date.
    bool SetDate(int year, int month, int day, std::optional<int> time, bool checked, bool zda);
    GnssSystem SystemOfGsa(GnssSystem talker, const std::array<int, nmea::Sentence::kMaxFields>& n,
                           int count) const;
    Source& SourceFor(std::uint32_t key);
    void Commit(Source& s);
    void CommitCutGroups();
    // The numbers each system's talker gives, from the groups in view.
    void GatherTalkerNumbers();

    // The epoch complete: the window rebuilt from it.
    int Publish();
    // Groups not heard for longer than their receiver's interval allows leave the view.
    bool Expire();
    void ShowFix(int mode);
    void ShowTime();
    void ShowPosition(const nmea::Position& p);
    void Rebuild();
    void ShowCounts();
    void ShowTable();
    void ShowRaw();

    Nav& nav;
    NAV_FORM& form;
    GnssState& g;

    std::array<Source, kMaxSources> sources{};
    Epoch e;
    // The line being read, for the readers that keep it.
    const QString* reading = nullptr;
    // For the recorder: the fix and date sentences and the GSAs of the open epoch; of those
    // published, the epoch whose fix shows, the last with a time, with a position and with a
    // date (its date sentence), and the last GSAs; each group as the window shows it, and the
    // groups' order (by system, talker and signal).
    struct Kept {
        std::uint64_t epoch = 0; // its number; 0 none
        std::vector<QString> lines;
    };
    std::vector<QString> fixLines, gsaLines, shownGsa;
    QString epochDate;
    Kept keptFix, keptTime, keptPosition, keptDate;
    std::uint64_t epochs = 0;
    std::array<std::vector<QString>, kMaxSources> shownGroups;
    std::array<std::uint8_t, kMaxSources> groupOrder{};
    int groupCount = 0;
    // A snapshot's GSAs, read at its end.
    std::vector<QString> snapshotGsa;

    // The last GSA that said a fix, and what it listed: a receiver may send them less often
    // than its fix.
    int lastGsaFix = 0; // 0 none yet
    std::array<GnssSatellite, GnssState::kMaxSatellites> lastUsed{};
    int lastUsedCount = 0;
    bool usedListed = false; // the used satellites shown are a GSA's list
    // Whether a ZDA gave the last date.
    bool dateZda = false;
    // Stream time: the fix times received, forward only, in milliseconds.
    std::int64_t streamMs = 0;
    int lastTime = -1;
    // The sentence that ended the last epochs, once two in a row agree.
    std::uint64_t ender = 0, enderSeen = 0;
    std::optional<int> endedTime; // of the epoch the ender last published
    bool snapshot = false;
    // The numbers of the satellites in view as each system's talker gives them, for a GSA
    // without a system id.
    std::array<Numbers, 8> talkerNumbers{};
    // What the table's rows and the sky's marks show: their texts are built only when these
    // change.
    std::array<GnssSatellite, 8> rowShown{};
    std::array<GnssSatellite, GnssState::kMaxSatellites> marked{};
    int markedCount = -1; // -1: the marks at the end of the plot are not known to be ours
    // Where each satellite stands in GnssState::sats while the sky is rebuilt, plus one.
    std::array<std::array<std::uint8_t, 256>, 8> slot{};
};

} // namespace velsor
