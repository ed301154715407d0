#include "sim_options.h"

#include <gtest/gtest.h>

using namespace velsor::sim;

namespace {

ParseResult parse(QStringList args) {
    args.prepend(QStringLiteral("velsor-sim"));
    return parseArguments(args);
}

} // namespace

TEST(SimOptions, DefaultsFollowTheModel) {
    const ParseResult gt = parse({"--device", "/dev/ttyS0"});
    ASSERT_TRUE(gt.options) << gt.error.toStdString();
    EXPECT_EQ(gt.options->device, "/dev/ttyS0");
    EXPECT_EQ(gt.options->tuner, Tuner::Gt74);
    EXPECT_EQ(gt.options->baud, 4800);
    EXPECT_FALSE(gt.options->seconds);
    EXPECT_TRUE(gt.options->replayFile.isEmpty());
    EXPECT_EQ(gt.options->schedule.at(1000), Fix::ThreeD);

    const ParseResult cf = parse({"--device=/tmp/a", "--tuner", "1"});
    ASSERT_TRUE(cf.options) << cf.error.toStdString();
    EXPECT_EQ(cf.options->tuner, Tuner::Cfgps);
    EXPECT_EQ(cf.options->baud, 9600);
}

TEST(SimOptions, EveryOptionIsTaken) {
    const ParseResult r =
        parse({"--device", "d", "--tuner", "1", "--baud", "4800", "--nofix-every", "60",
               "--nofix-for", "10", "--mode2d-every", "30", "--mode2d-for", "30", "--replay",
               "cap.log", "--seconds", "5", "--seed", "18446744073709551615"});
    ASSERT_TRUE(r.options) << r.error.toStdString();
    const Options& o = *r.options;
    EXPECT_EQ(o.baud, 4800); // an explicit speed beats the model's
    EXPECT_EQ(o.schedule.noFix.every, 60);
    EXPECT_EQ(o.schedule.noFix.length, 10);
    EXPECT_EQ(o.schedule.twoD.every, 30);
    EXPECT_EQ(o.schedule.twoD.length, 30);
    EXPECT_EQ(o.replayFile, "cap.log");
    EXPECT_EQ(o.seconds, 5);
    EXPECT_EQ(o.seed, 18446744073709551615ULL);
}

TEST(SimOptions, HelpNeedsNothingElse) {
    for (const char* flag : {"-h", "--help"}) {
        const ParseResult r = parse({flag});
        ASSERT_TRUE(r.options) << flag;
        EXPECT_TRUE(r.options->help);
    }
    EXPECT_TRUE(helpText().contains("--replay"));
}

TEST(SimOptions, BadArgumentsGiveOneLineErrors) {
    const QList<QStringList> bad = {
        {},
        {"--tuner", "1"},
        {"--device", "d", "--tuner", "2"},
        {"--device", "d", "--tuner", "01"},
        {"--device", "d", "--baud", "0"},
        {"--device", "d", "--baud", "fast"},
        {"--device", "d", "--seconds", "0"},
        {"--device", "d", "--seconds", "-3"},
        {"--device", "d", "--seconds", "2.5"},
        {"--device", "d", "--nofix-every", "10"},
        {"--device", "d", "--mode2d-for", "3"},
        {"--device", "d", "--nofix-every", "5", "--nofix-for", "6"},
        {"--device", "d", "--mode2d-every", "0", "--mode2d-for", "0"},
        {"--device", "d", "--seed", "-1"},
        {"--device", "d", "--replay", ""},
        {"--device", "d", "--bogus"},
        {"--device", "d", "stray"},
        {"--device", "d", "--device", "e"},
        {"--device"},
    };
    for (const QStringList& args : bad) {
        const ParseResult r = parse(args);
        EXPECT_FALSE(r.options) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.isEmpty()) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.contains('\n')) << r.error.toStdString();
    }
}
