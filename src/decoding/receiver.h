#pragma once
// The receive path: bytes from the tuner become lines, lines are dispatched by sentence type,
// and each decoder writes the shared state and the main window's display fields. Fields are
// read at fixed 1-based positions chosen by the tuner model ("0", "1"); a step that cannot be
// carried out is skipped and the next one runs. Model "2" reads any receiver by its fields
// (FieldDecoder), epoch by epoch.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "nav/snapshot_format.h"
#include "platform/clock.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace velsor {

class StreamListener;
class FieldDecoder;

class Receiver {
public:
    // The clock may be null: then no clock is ever set.
    Receiver(Nav& nav, NAV_FORM& form, platform::Clock* clock);
    ~Receiver();

    // Longest line kept, CR LF included; a longer one is dropped whole. Real sentences are at
    // most 82 characters.
    static constexpr qsizetype kMaxLine = 1024;

    // Appends text to the line being assembled and dispatches every completed line.
    void AssembleLines(QStringView text);
    // Received bytes, one character per byte.
    void AssembleBytes(QByteArrayView bytes);

    void DispatchSentence(const QString& line);
    // A replayed snapshot: the field model forgets the sky of the snapshot shown before (its
    // lines are all there is of that moment) and shows the snapshot as one epoch at its end;
    // the fixed-position models keep nothing.
    void StartSnapshot();
    void EndSnapshot();
    // The input ended: the field model shows the epoch it was receiving.
    void Flush();
    // The field model's sentences of what the window shows, for the recorder; none with the
    // other models.
    snapshot::Sentences Shown() const;
    // Starts the model nav.TunerType names when it is not the one decoding. Between the field
    // model and the others the sky starts empty: its marks, the table and the counts of
    // satellites. Runs for every line: mostly the same text, shared.
    void FollowModel() {
        if (nav.TunerType.constData() != model.constData())
            StartModel();
    }
    // Takes the text up to the delimiter or "*" from source and leaves the rest in RxBuffer(0);
    // an empty source is first replaced by RxBuffer(0). stoppedAtStar tells whether "*" ended it.
    QString NextField(QString& source, QStringView delimiter, std::int16_t& stoppedAtStar);

    void DecodeGGA(const QString& line);
    void DecodeGSA(const QString& line);
    void DecodeGSV(const QString& line, std::int16_t group);
    void PlotSatellite(QStringView elevation, QStringView azimuth, QStringView satNo,
                       QStringView row, QStringView snr);
    void MarkUsedSatellites();
    void DecodeZDA(const QString& line);
    void DecodeRMC(const QString& line);
    // The JST display from a UTC time of day and the last date, and the start-up correction
    // of the PC clock when it is due; line is the sentence the time came from.
    void LocalTime(std::optional<int> h, std::optional<int> m, std::optional<int> s,
                   const QString& line);
    // Sets the PC clock from Nav::JstClockTime when the start-up correction is due.
    void StartupCorrection();

    // Whether the line ends in a checksum ("*" and two hex digits, then only CR LF) that is
    // the XOR of every character between "$" and "*".
    static bool ChecksumRight(QStringView line);

    // Forgets what the third model has gathered (satellite groups, the used set, its marks on
    // the sky plot): a new link.
    void ResetFields();

    // Lines dispatched so far and the type split off the last one, for tools and tests.
    std::uint64_t linesDispatched = 0;
    QString lastType;
    // Called after every dispatched line.
    std::function<void()> afterDispatch;
    // Called once an epoch is complete and shown: the window's fix and satellites (FixOf) are
    // of one moment. The fixed-position models end an epoch with their date sentence, the
    // field model where it publishes one.
    std::function<void()> afterEpoch;
    // Sees every line the assembler completes, before its dispatch, and what it drops.
    StreamListener* listener = nullptr;

private:
    void StoreRaw(int index, const QString& line);
    void DispatchGSV(const QString& line);
    // After the field model published epochs.
    void Published(int epochs);
    void StartModel();

    Nav& nav;
    NAV_FORM& form;
    platform::Clock* clock;
    // The third model's decoder, made when first needed.
    std::unique_ptr<FieldDecoder> fields;
    // The model the last line was decoded with.
    QString model;
};

} // namespace velsor
