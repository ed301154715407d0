// The multi-GNSS model's sentences, as a current u-blox or Quectel receiver in NMEA 4.10 mode
// writes them: decimals on times and positions, empty fields for what it does not know.

#include "nmea_sim.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace velsor::sim {

namespace {

QByteArray padded(long long value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

QByteArray decimals(double value, int places) {
    return QByteArray::number(value, 'f', places);
}

// hhmmss.ss
QByteArray timeField(const QDateTime& utc) {
    const QTime t = utc.time();
    return padded(t.hour(), 2) + padded(t.minute(), 2) + padded(t.second(), 2) + '.' +
           padded(t.msec() / 10, 2);
}

// ddmm.mmmmm or dddmm.mmmmm, rounded on whole units of the last place so 59.999995 carries.
QByteArray angleField(double degrees, int degreeDigits) {
    const long long units = std::llround(std::fabs(degrees) * 60.0 * 100000.0);
    const long long rest = units % 6000000;
    return padded(units / 6000000, degreeDigits) + padded(rest / 100000, 2) + '.' +
           padded(rest % 100000, 5);
}

// "lat,N,lon,E", or the four fields empty without a fix.
QByteArray positionFields(const Epoch& epoch) {
    if (epoch.fix == Fix::None) {
        return ",,,";
    }
    const Position& p = epoch.position;
    return angleField(p.latitude, 2) + (p.latitude < 0 ? ",S," : ",N,") +
           angleField(p.longitude, 3) + (p.longitude < 0 ? ",W" : ",E");
}

// Empty in a 2D fix, which has no height of its own.
QByteArray altitudeField(const Epoch& epoch) {
    return epoch.fix == Fix::ThreeD ? decimals(epoch.position.altitude, 1) : QByteArray();
}

QByteArray dateField(const QDate& d) {
    return padded(d.day(), 2) + padded(d.month(), 2) + padded(d.year() % 100, 2);
}

double hdop(const Epoch& epoch) {
    const auto used = static_cast<double>(std::max<std::size_t>(epoch.used.size(), 1));
    return std::clamp(0.5 + 3.0 / used, 0.5, 9.9);
}

// The fix's DOP fields; 99.99 without one, as u-blox receivers say.
QByteArray dopField(const Epoch& epoch, double factor) {
    return epoch.fix == Fix::None ? QByteArray("99.99") : decimals(hdop(epoch) * factor, 2);
}

// The position mode indicator of RMC, VTG, GLL and each system in GNS.
char modeIndicator(const Epoch& epoch) {
    return epoch.fix == Fix::None ? 'N' : 'A';
}

// Speed over ground in knots and course in degrees: standing still, a little noise.
std::pair<double, double> motion(const Epoch& epoch) {
    const auto s = static_cast<std::uint64_t>(epoch.utc.toSecsSinceEpoch());
    return {static_cast<double>((s * 2654435761ULL) % 200) / 1000.0,
            static_cast<double>((s * 40503ULL) % 36000) / 100.0};
}

QByteArray talker(System system) {
    switch (system) {
    case System::Gps:
        return "GP";
    case System::Glonass:
        return "GL";
    case System::Galileo:
        return "GA";
    case System::BeiDou:
        return "GB";
    }
    return "GN";
}

// NMEA 4.10 system id (GSA) and the signal id of each system's L1 / E1 / B1I signal (GSV).
int systemId(System system) {
    return static_cast<int>(system) + 1;
}

int signalId(System system) {
    return system == System::Galileo ? 7 : 1;
}

} // namespace

QByteArray gnssGgaSentence(const Epoch& epoch) {
    QByteArray body = "GNGGA," + timeField(epoch.utc) + ',' + positionFields(epoch) + ',';
    if (epoch.fix == Fix::None) {
        return frame(body + "0,00,99.99,,,,,,");
    }
    body += "1," + padded(static_cast<long long>(epoch.used.size()), 2) + ',' +
            dopField(epoch, 1.0) + ',' + altitudeField(epoch) + ",M,36.7,M,,";
    return frame(body);
}

QByteArray gnssRmcSentence(const Epoch& epoch) {
    QByteArray body = "GNRMC," + timeField(epoch.utc) + (epoch.fix == Fix::None ? ",V," : ",A,") +
                      positionFields(epoch) + ',';
    if (epoch.fix != Fix::None) {
        const auto [knots, course] = motion(epoch);
        body += decimals(knots, 3) + ',' + decimals(course, 2);
    } else {
        body += ',';
    }
    body += ',' + dateField(epoch.utc.date()) + ",,," + modeIndicator(epoch) + ",V";
    return frame(body);
}

QByteArray gnssGnsSentence(const Epoch& epoch) {
    QByteArray body = "GNGNS," + timeField(epoch.utc) + ',' + positionFields(epoch) + ',';
    for (const System s : kSystems) {
        const bool used = std::any_of(epoch.used.begin(), epoch.used.end(),
                                      [s](SatId u) { return u.system == s; });
        body += epoch.fix == Fix::None || !used ? 'N' : 'A';
    }
    body += ',' + padded(static_cast<long long>(epoch.used.size()), 2) + ',' +
            dopField(epoch, 1.0) + ',';
    body += epoch.fix == Fix::None ? QByteArray(",") : altitudeField(epoch) + ",36.7";
    return frame(body + ",,,V");
}

QByteArray gnssVtgSentence(const Epoch& epoch) {
    if (epoch.fix == Fix::None) {
        return frame("GNVTG,,T,,M,,N,,K,N");
    }
    const auto [knots, course] = motion(epoch);
    return frame("GNVTG," + decimals(course, 2) + ",T,,M," + decimals(knots, 3) + ",N," +
                 decimals(knots * 1.852, 3) + ",K,A");
}

QByteArray gnssGllSentence(const Epoch& epoch) {
    return frame("GNGLL," + positionFields(epoch) + ',' + timeField(epoch.utc) +
                 (epoch.fix == Fix::None ? ",V," : ",A,") + modeIndicator(epoch));
}

QByteArray gnssZdaSentence(const Epoch& epoch) {
    const QDate d = epoch.utc.date();
    return frame("GNZDA," + timeField(epoch.utc) + ',' + padded(d.day(), 2) + ',' +
                 padded(d.month(), 2) + ',' + padded(d.year(), 4) + ",00,00");
}

QList<QByteArray> gnssGsaSentences(const Epoch& epoch) {
    const char mode = epoch.fix == Fix::ThreeD ? '3' : epoch.fix == Fix::TwoD ? '2' : '1';
    QList<QByteArray> out;
    for (const System s : kSystems) {
        QByteArray body = QByteArray("GNGSA,A,") + mode;
        int filled = 0;
        for (const SatId& u : epoch.used) {
            if (u.system == s && filled < 12) {
                body += ',' + padded(u.prn, 2);
                ++filled;
            }
        }
        body += QByteArray(12 - filled, ',');
        body += ',' + dopField(epoch, 1.6) + ',' + dopField(epoch, 1.0) + ',' +
                dopField(epoch, 1.2) + ',' + QByteArray::number(systemId(s));
        out.push_back(frame(body));
    }
    return out;
}

QList<QByteArray> gnssGsvSentences(System system, const Epoch& epoch) {
    std::vector<Satellite> sats;
    std::copy_if(epoch.inView.begin(), epoch.inView.end(), std::back_inserter(sats),
                 [system](const Satellite& s) { return s.system == system; });
    const auto count = static_cast<qsizetype>(sats.size());
    const qsizetype messages = std::max<qsizetype>(1, (count + 3) / 4);
    QList<QByteArray> out;
    for (qsizetype m = 0; m < messages; ++m) {
        QByteArray body = talker(system) + "GSV," + QByteArray::number(messages) + ',' +
                          QByteArray::number(m + 1) + ',' + padded(count, 2);
        for (qsizetype i = m * 4; i < std::min(count, m * 4 + 4); ++i) {
            const Satellite& s = sats[static_cast<std::size_t>(i)];
            body += ',' + padded(s.prn, 2) + ',' + padded(s.elevation, 2) + ',' +
                    padded(s.azimuth, 3) + ',' + (s.snr > 0 ? padded(s.snr, 2) : QByteArray());
        }
        out.push_back(frame(body + ',' + QByteArray::number(signalId(system))));
    }
    return out;
}

QList<QByteArray> gnssSentences(const Epoch& epoch, qsizetype lineBytes) {
    const auto size = [](const QList<QByteArray>& list) {
        qsizetype n = 0;
        for (const QByteArray& s : list) {
            n += s.size();
        }
        return n;
    };
    const QByteArray rmc = gnssRmcSentence(epoch), gga = gnssGgaSentence(epoch);
    const QList<QByteArray> gsa = gnssGsaSentences(epoch);
    qsizetype room = lineBytes > 0 ? lineBytes - rmc.size() - gga.size() - size(gsa)
                                   : std::numeric_limits<qsizetype>::max();
    const auto fits = [&room](qsizetype n) {
        if (n > room) {
            return false;
        }
        room -= n;
        return true;
    };
    // Which system's group goes first turns with the seconds, so on a slow line a different
    // group is left out each second rather than always the same one.
    constexpr auto kCount = static_cast<long long>(std::size(kSystems));
    const long long first = epoch.utc.toSecsSinceEpoch() % kCount;
    std::array<QList<QByteArray>, std::size(kSystems)> groups;
    for (long long i = 0; i < kCount; ++i) {
        const auto k = static_cast<std::size_t>((first + i) % kCount);
        QList<QByteArray> group = gnssGsvSentences(kSystems[k], epoch);
        if (fits(size(group))) {
            groups[k] = std::move(group);
        }
    }
    QList<QByteArray> gsv;
    for (const QList<QByteArray>& group : groups) {
        gsv += group;
    }
    const auto extra = [&fits](QByteArray sentence) {
        return fits(sentence.size()) ? sentence : QByteArray();
    };
    const QByteArray vtg = extra(gnssVtgSentence(epoch)), gns = extra(gnssGnsSentence(epoch)),
                     gll = extra(gnssGllSentence(epoch)), zda = extra(gnssZdaSentence(epoch));

    QList<QByteArray> out{rmc, vtg, gga, gns};
    out += gsa;
    out += gsv;
    out << gll << zda;
    out.removeAll(QByteArray());
    return out;
}

} // namespace velsor::sim
