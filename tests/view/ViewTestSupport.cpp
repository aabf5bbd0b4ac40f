#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace zelvo::test {
namespace {

std::unique_ptr<QApplication> gApp;

// Deletes the application at the end of the run: left to static
// destruction it would outlive the Qt objects it owns.
class TViewEnvironment : public ::testing::Environment {
public:
    void TearDown() override { gApp.reset(); }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new TViewEnvironment);

}  // namespace

QApplication& App() {
    if (!gApp) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "zelvo_view_tests";
        static char* argv[] = {name, nullptr};
        gApp = std::make_unique<QApplication>(argc, argv);
    }
    return *gApp;
}

}  // namespace zelvo::test
