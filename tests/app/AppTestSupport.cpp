#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "platform/CSettings.h"
#include "tests/QtTestEnvironment.h"
#include "tests/document/ExampleRecord.h"

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

QAction* ActionWithText(const QWidget& window, const QString& text) {
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

void RunEnabledCommand(CMainFrame& frame, const QString& command) {
    frame.UpdateCommandUI();
    QAction* action = ActionWithText(frame, command);
    ASSERT_NE(action, nullptr) << command.toStdString();
    ASSERT_TRUE(action->isEnabled()) << command.toStdString();
    action->trigger();
}

std::unique_ptr<CMainFrame> StartMainFrame(CDTDoc& doc, CPrompt& prompt, CFileChooser& files,
                                           const CFrameStart& start) {
    auto frame = std::make_unique<CMainFrame>(doc, start.SimulateLogger);
    frame->UseDialogs(prompt, files);
    if (start.Shown) {
        if (!start.Size.isEmpty()) {
            frame->resize(start.Size);
        }
        frame->show();
    }
    return frame;
}

void CloseAndWait(CMainFrame& frame) {
    frame.close();
    ASSERT_TRUE(WaitFor([&frame] { return !frame.isVisible(); }));
}

void MakeUnsavedDownload(CDTDoc& doc, int count) {
    doc.ReplaceRecord(ExampleRecord(count), DocumentChange::Downloaded);
    doc.DownloadSinceSave = true;
    doc.SetupSinceSave = true;
}
