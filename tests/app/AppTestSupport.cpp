#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include "document/CDTDoc.h"
#include "platform/CSettings.h"

namespace {

// Widgets need one application object for the whole test run.
class CQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_app; }

private:
    QApplication* m_app = nullptr;
};

[[maybe_unused]] ::testing::Environment* const QT_ENVIRONMENT =
    ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

}  // namespace

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

void ForgetProgramFiles() {
    std::error_code ignored;  // a file that is not there is already forgotten
    if (const auto settings = SettingsFilePath()) {
        std::filesystem::remove(*settings, ignored);
    }
    if (const auto last = LastMeasurementPath()) {
        std::filesystem::remove(*last, ignored);
    }
}
