// Arbitrary bytes through the receive path, in chunks whose sizes come from the input too, for
// the three tuner models, with the start-up clock correction due or not. The line buffer must stay
// within its bound whatever arrives. For the field model the input's last byte also chooses
// whether it comes as a replayed snapshot, whether the model changes halfway and whether the
// sky's marks are placed as the window would; its epoch is ended at the end.
//
// The window model is built once per process: building it (menus, captions, the sky grid)
// costs far more than decoding a few KB. Before each input everything the decoders write is
// put back to its state after loading, so every input runs on the same start.

#include "decoding/field_decoder.h"
#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/basic_text.h"
#include "nav/nav.h"
#include "platform/clock.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// A PC clock that is never touched; whether it accepts the setting comes from the input.
class InertClock : public velsor::platform::Clock {
public:
    bool accept = true;
    QDateTime Now() const override { return QDateTime(QDate(2024, 1, 1), QTime(12, 0, 0)); }
    bool SetLocalDate(const QDate&) override { return accept; }
    bool SetLocalTime(const QTime&) override { return accept; }
};

// Puts a text back into the string's own buffer: a copy of the loaded one would be shared,
// and the next decoder write would then allocate anew.
void Restore(QString& s, const QString& loaded) {
    velsor::Assign(s, QStringView(loaded));
}

// A control back to its loaded state, keeping the buffer of its caption.
template <typename Control> void Restore(Control& c, const Control& loaded) {
    QString caption = std::move(c.caption);
    c = loaded;
    Restore(caption, loaded.caption);
    c.caption = std::move(caption);
}

template <typename T, std::size_t N>
void Restore(std::array<T, N>& a, const std::array<T, N>& loaded) {
    for (std::size_t i = 0; i < N; ++i)
        Restore(a[i], loaded[i]);
}

// What the decoders write, as it was after loading.
struct Loaded {
    explicit Loaded(const velsor::NAV_FORM& f)
        : nav(f.nav), Label16(f.Label16), Label4(f.Label4), Label3(f.Label3), Label2(f.Label2),
          Label13(f.Label13), Label14(f.Label14), Label6(f.Label6), Label9(f.Label9),
          Label10(f.Label10), Label15(f.Label15), dB1(f.dB1), sky(f.Picture1.ops) {
        // The replay blocks (16,805 strings) are not the receive path's: copying them back
        // before every input took a fifth of the time.
        nav.ReplayLine.clear();
    }

    void RestoreTo(velsor::NAV_FORM& f) const {
        velsor::Nav& n = f.nav;
        // The texts keep their buffers; everything else is copied whole.
        QString tuner = std::move(n.TunerType), fix = std::move(n.FixMode);
        auto used = std::move(n.UsedSatNo);
        auto rx = std::move(n.RxBuffer);
        auto raw = std::move(n.RawSentence);
        auto replay = std::move(n.ReplayLine);
        n = nav;
        n.ReplayLine = std::move(replay);
        Restore(tuner, nav.TunerType);
        Restore(fix, nav.FixMode);
        Restore(used, nav.UsedSatNo);
        Restore(rx, nav.RxBuffer);
        Restore(raw, nav.RawSentence);
        n.TunerType = std::move(tuner);
        n.FixMode = std::move(fix);
        n.UsedSatNo = std::move(used);
        n.RxBuffer = std::move(rx);
        n.RawSentence = std::move(raw);

        Restore(f.Label16, Label16);
        Restore(f.Label4, Label4);
        Restore(f.Label3, Label3);
        Restore(f.Label2, Label2);
        Restore(f.Label13, Label13);
        Restore(f.Label14, Label14);
        Restore(f.Label6, Label6);
        Restore(f.Label9, Label9);
        Restore(f.Label10, Label10);
        Restore(f.Label15, Label15);
        f.dB1 = dB1;
        f.Picture1.ops = sky;
    }

    velsor::Nav nav;
    decltype(velsor::NAV_FORM::Label16) Label16;
    decltype(velsor::NAV_FORM::Label4) Label4;
    decltype(velsor::NAV_FORM::Label3) Label3;
    velsor::Label Label2, Label13, Label14;
    decltype(velsor::NAV_FORM::Label6) Label6;
    decltype(velsor::NAV_FORM::Label9) Label9;
    decltype(velsor::NAV_FORM::Label10) Label10;
    decltype(velsor::NAV_FORM::Label15) Label15;
    decltype(velsor::NAV_FORM::dB1) dB1;
    std::vector<velsor::DrawOp> sky;
};

struct Rig {
    Rig() : form(nav), receiver(nav, form, &clock) {
        form.PrepareDisplay();
        loaded = std::make_unique<Loaded>(form);
    }
    void Reset(const QString& tuner, bool clockDue, bool clockAccepts) {
        loaded->RestoreTo(form);
        receiver.ResetFields();
        Restore(nav.TunerType, tuner);
        // The receiver decodes with this model from the start: nothing of the last input's.
        receiver.FollowModel();
        nav.ClockSetWait = clockDue ? 120 : 0;
        clock.accept = clockAccepts;
    }
    velsor::Nav nav;
    velsor::NAV_FORM form;
    InertClock clock;
    velsor::Receiver receiver;
    std::unique_ptr<Loaded> loaded;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static Rig rig;
    // First byte: bit 0 tuner 1, else bit 7 tuner 2, else tuner 0; bit 1 clock correction
    // due, bit 2 clock accepts, bits 3 to 7 the chunk size.
    static const QString tuners[3] = {QStringLiteral("0"), QStringLiteral("1"),
                                      QStringLiteral("2")};
    rig.Reset(tuners[data[0] & 1 ? 1 : (data[0] & 0x80 ? 2 : 0)], data[0] & 2, data[0] & 4);
    const qsizetype chunk = 1 + (data[0] >> 3) * 4; // 1 to 125 bytes
    const bool byFields = rig.nav.TunerType == u"2";
    const std::uint8_t last = data[size - 1];
    const bool snapshot = byFields && (last & 1), switches = byFields && (last & 2),
               placed = byFields && (last & 4);
    // One character per byte, as the receive event converts them; converted once, handed
    // over in chunks.
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1),
                                             static_cast<qsizetype>(size - 1));
    auto bounded = [] {
        // The third model's tables are fixed: at most 100 satellites, one mark each.
        if (rig.nav.RxBuffer[1].size() > velsor::Receiver::kMaxLine ||
            rig.nav.Gnss.satCount > velsor::GnssState::kMaxSatellites ||
            rig.form.Picture1.ops.size() >
                rig.loaded->sky.size() + velsor::GnssState::kMaxSatellites)
            std::abort();
    };
    // What it keeps for the recorder stays within its bounds: the epoch's sentences, 32 groups
    // of 99 messages at most.
    auto recordable = [] {
        const velsor::snapshot::Sentences s = rig.receiver.Shown();
        bool within = s.fix.size() <= velsor::FieldDecoder::kMaxEpochLines + 1 &&
                      s.gsa.size() <= velsor::FieldDecoder::kMaxEpochLines && s.groups.size() <= 32;
        for (const auto& g : s.groups)
            within = within && g.size() <= 99;
        if (!within)
            std::abort();
    };
    if (snapshot)
        rig.receiver.StartSnapshot();
    for (qsizetype i = 0; i < text.size(); i += chunk) {
        if (switches && i >= text.size() / 2 && i < text.size() / 2 + chunk) {
            Restore(rig.nav.TunerType, tuners[0]);
            rig.receiver.FollowModel();
            Restore(rig.nav.TunerType, tuners[2]);
        }
        rig.receiver.AssembleLines(QStringView(text).sliced(i, std::min(chunk, text.size() - i)));
        bounded();
    }
    if (snapshot)
        rig.receiver.EndSnapshot();
    rig.receiver.Flush();
    if (placed)
        rig.form.Picture1.PlaceMarks();
    bounded();
    recordable();
    for (const velsor::DrawOp& op : rig.form.Picture1.ops) {
        // Every mark stands somewhere on the surface's scale, never at a non-number.
        if (op.kind == velsor::DrawOp::Kind::Mark &&
            !(std::isfinite(op.x1) && std::isfinite(op.y1)))
            std::abort();
    }
    return 0;
}
