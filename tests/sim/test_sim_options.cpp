#include "sim_options.h"

#include <gtest/gtest.h>

using namespace velsor::sim;

namespace {

ParseResult parse(QStringList args) {
    args.prepend(QStringLiteral("velsor-sim"));
    return parseArguments(args);
}

} // namespace

TEST(SimOptions, ModelSetsTheSpeedUnlessGiven) {
    const ParseResult gt = parse({"--device", "/dev/ttyS0"});
    ASSERT_TRUE(gt.options) << gt.error.toStdString();
    EXPECT_EQ(gt.options->baud, 4800);
    EXPECT_FALSE(gt.options->seconds);
    EXPECT_EQ(parse({"--device=d", "--tuner", "1"}).options->baud, 9600);

    const ParseResult all = parse({"--device", "d", "--tuner", "1", "--baud", "4800",
                                   "--nofix-every", "60", "--nofix-for", "10", "--mode2d-every",
                                   "30", "--mode2d-for", "30", "--seconds", "5", "--seed", "99"});
    ASSERT_TRUE(all.options) << all.error.toStdString();
    EXPECT_EQ(all.options->baud, 4800);
    EXPECT_EQ(all.options->schedule.at(55), Fix::None);
    EXPECT_EQ(all.options->schedule.at(31), Fix::TwoD);
    EXPECT_EQ(all.options->seconds, 5);
    EXPECT_TRUE(parse({"--help"}).options->help);
}

TEST(SimOptions, BadArgumentsGiveOneLineErrors) {
    const QList<QStringList> bad = {
        {},
        {"--tuner", "1"},
        {"--device", "d", "--tuner", "2"},
        {"--device", "d", "--baud", "0"},
        {"--device", "d", "--seconds", "2.5"},
        {"--device", "d", "--nofix-every", "10"},
        {"--device", "d", "--nofix-every", "5", "--nofix-for", "6"},
        {"--device", "d", "--mode2d-every", "0", "--mode2d-for", "0"},
        {"--device", "d", "--seed", "-1"},
        {"--device", "d", "--bogus"},
        {"--device", "d", "stray"},
        {"--device", "d", "--device", "e"},
    };
    for (const QStringList& args : bad) {
        const ParseResult r = parse(args);
        EXPECT_FALSE(r.options) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.isEmpty() || r.error.contains('\n')) << r.error.toStdString();
    }
}
