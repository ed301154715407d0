// One QApplication for all view tests, on the offscreen platform unless one is given.

#include <gtest/gtest.h>

#include <QApplication>

#include <optional>

namespace {

int argc = 1;
char name[] = "test_views";
char* argv[] = {name, nullptr};

struct QtApplication : ::testing::Environment {
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app.emplace(argc, argv);
    }
    void TearDown() override { app.reset(); }
    std::optional<QApplication> app;
};

// Google Test owns the environments it is given.
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
