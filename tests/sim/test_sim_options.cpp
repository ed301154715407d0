// The simulator's blocked sector (how it is given on the command line and what it does to the
// reported signals), and where a replay whose --seconds are up stops.

#include "line_pacer.h"
#include "nmea_sim.h"
#include "sim_options.h"

#include <gtest/gtest.h>

using namespace velsor::sim;

TEST(SimBlockedSector, CommandLineAndWhatItCovers) {
    const std::pair<const char*, std::optional<Sector>> cases[] = {
        {"90-180", Sector{90, 180, 90}},
        {"300-30:40", Sector{300, 30, 40}},
        {"90", {}},
        {"10-20:91", {}}};
    for (const auto& [text, sector] : cases) {
        const ParseResult r = parseArguments(
            {"velsor-sim", "--device", "/dev/null", "--blocked-sector", QString::fromLatin1(text)});
        if (sector)
            EXPECT_EQ(r.options ? r.options->blocked : std::nullopt, sector) << text;
        else
            EXPECT_TRUE(!r.options && r.error.contains(u"--blocked-sector")) << text;
    }
    EXPECT_FALSE(parseArguments({"velsor-sim", "--device", "/dev/null"}).options->blocked);

    // A sector through north, low only; the sky map tests run a whole week of the simulator
    // behind an eastern wall.
    const Sector sector{300, 60, 30};
    for (const auto& [az, el, inside] : {std::tuple{359, 0, true},
                                         {60, 10, true},
                                         {299, 10, false},
                                         {61, 10, false},
                                         {0, 31, false}})
        EXPECT_EQ(sector.contains(az, el), inside) << az << " " << el;
}

// At a line boundary, after a sentence under way, never at the end of an endless line.
TEST(SimStopPoint, FinishesSentencesNotEndlessLines) {
    const QByteArray two = "$GPGGA,1*00\r\n$GPGSA,2*00\r\n", cut = "$GPGGA,1*00\r\n$GPGSA";
    const QByteArray endless = "$GPGGA,1*00\r\n" + QByteArray(20 << 20, 'x') + "\r\n";
    const std::tuple<const QByteArray&, qsizetype, qsizetype> cases[] = {
        {two, 0, 0},           {two, 13, 13},     {two, 5, 13},
        {two, 20, 26},         {endless, 20, 20}, {endless, endless.size() - 10, endless.size()},
        {cut, 15, cut.size()},
    };
    for (const auto& [data, pos, stop] : cases)
        EXPECT_EQ(stopPoint(data, pos), stop) << pos;
}
