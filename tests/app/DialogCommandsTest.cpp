// The main window's dialogs opened as a user opens them, over the simulated logger, and the
// settings file written at close holding what they changed.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/CMainFrame.h"
#include "dialogs/display/CNumberEdit.h"
#include "dialogs/logger/CCalAdjustDlg.h"
#include "document/CDTDoc.h"
#include "platform/CSettings.h"
#include "tests/CRecordingPrompt.h"
#include "tests/ModalDialog.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace {

class DialogCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetProgramFiles();
        m_frame = std::make_unique<CMainFrame>(m_doc, true);
        m_frame->UseDialogs(m_prompt, m_saveDialog);
        m_frame->resize(1200, 900);
        m_frame->show();
    }

    // The action of `text` whose parent is a `TParent` holding an action "of" that text.
    template <typename TParent>
    QAction* ActionIn(const QString& text) const {
        for (TParent* parent : m_frame->findChildren<TParent*>()) {
            for (QAction* action : parent->actions()) {
                if (action->text() == text) {
                    return action;
                }
            }
        }
        return nullptr;
    }

    void CloseFrame() {
        m_frame->close();
        ASSERT_TRUE(WaitFor([this] { return !m_frame->isVisible(); }));
    }

    CDTDoc m_doc;
    CRecordingPrompt m_prompt;
    CScriptedFileChooser m_saveDialog;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(DialogCommands, calAdjust_fromMenuToolbarAndTree_sendsAndIsKeptAtClose) {
    // The tree's pop-up item and the toolbar button carry the same text.
    const std::pair<QAction*, const char*> sources[] = {
        {ActionIn<QMenu>("Cal Adjust..."), "2"},
        {ActionIn<QToolBar>("Cal Adjust"), "3"},
        {ActionIn<QMenu>("Cal Adjust"), "-1"},
    };
    std::vector<std::string> totals;
    for (const auto& [source, value] : sources) {
        ASSERT_NE(source, nullptr);
        ASSERT_TRUE(source->isEnabled());
        const bool shown =
            WhileModal<CCalAdjustDlg>([source = source] { source->trigger(); },
                                      [value = value](CCalAdjustDlg& dialog) {
                                          dialog.Poll();
                                          dialog.ValueEdit().clear();
                                          QTest::keyClicks(&dialog.ValueEdit(), value);
                                          QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                                      });
        EXPECT_TRUE(shown);
        EXPECT_EQ(m_frame->Settings().Calibration, value);
    }
    // The simulated logger adds each adjustment to its total.
    EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{"Total calibrated value as 0.2 dB.",
                                                          "Total calibrated value as 0.5 dB.",
                                                          "Total calibrated value as 0.4 dB."}));

    // Cancel leaves the setting as it was.
    WhileModal<CCalAdjustDlg>([&] { sources[0].first->trigger(); },
                              [](CCalAdjustDlg& dialog) {
                                  QTest::keyClicks(&dialog.ValueEdit(), "9");
                                  QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
                              });
    EXPECT_EQ(m_frame->Settings().Calibration, "-1");

    CloseFrame();
    EXPECT_EQ(ReadSettingsFile().GetString("CAL Info", "CAL", ""), "-1");
}

TEST_F(DialogCommands, calAdjust_isUnavailableDuringARealTimeRun) {
    m_doc.RealTimeActive = true;
    m_frame->UpdateCommandUI();
    for (QAction* source : {ActionIn<QMenu>("Cal Adjust..."), ActionIn<QToolBar>("Cal Adjust")}) {
        ASSERT_NE(source, nullptr);
        EXPECT_FALSE(source->isEnabled());
    }
}

}  // namespace
