#pragma once

#include <QApplication>

#include <gtest/gtest.h>

// Widgets need one application object for the whole test run. A test executable that
// includes this header gets one, made before the first test and deleted after the last.
class CQtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "datalogger_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_app; }

private:
    QApplication* m_app = nullptr;
};

inline ::testing::Environment* const QT_TEST_ENVIRONMENT =
    ::testing::AddGlobalTestEnvironment(new CQtTestEnvironment);
