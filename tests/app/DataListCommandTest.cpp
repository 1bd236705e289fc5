// "Import data to list": the toolbar command opens one data list shortly after it returns,
// and the close sequence closes it.

#include <QAction>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "tests/CRecordingPrompt.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

class DataListCommand : public CMainFrameTest<> {
protected:
    void SetUp() override {
        CMainFrameTest::SetUp();
        m_doc.ReplaceRecord(ExampleRecord(40), DocumentChange::Downloaded);
        m_import = ActionWithText(*m_frame, "Import data to list");
        ASSERT_NE(m_import, nullptr);
    }

    CDataList& List() { return m_frame->GraphView().DataList(); }

    int ListWindows() const {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            count += qobject_cast<CDataListDlg*>(window) && window->isVisible() ? 1 : 0;
        }
        return count;
    }

    QAction* m_import = nullptr;
};

TEST_F(DataListCommand, twiceQuickly_opensOneListAfter10ms) {
    m_doc.ListCountStale = false;
    ASSERT_TRUE(m_import->isEnabled());
    m_import->trigger();
    m_import->trigger();
    EXPECT_TRUE(m_doc.ListCountStale);
    EXPECT_TRUE(m_frame->GraphView().State().ListShown);
    EXPECT_EQ(m_frame->OpenListTimer().interval(), 10);
    EXPECT_FALSE(List().IsOpen());  // not while the command runs
    ASSERT_TRUE(WaitFor([this] { return List().IsOpen(); }));
    QTest::qWait(30);
    EXPECT_EQ(ListWindows(), 1);
    EXPECT_EQ(List().Window()->parentWidget(), m_frame.get());
    ASSERT_TRUE(WaitFor([this] { return List().Model().rowCount() == 40; }));

    // Open already: the command starts nothing.
    m_import->trigger();
    EXPECT_FALSE(m_frame->OpenListTimer().isActive());
}

TEST_F(DataListCommand, theCloseSequence_closesTheList) {
    m_import->trigger();
    ASSERT_TRUE(WaitFor([this] { return List().IsOpen(); }));
    m_frame->close();
    EXPECT_FALSE(List().IsOpen());
    ASSERT_TRUE(WaitFor([this] { return !m_frame->isVisible(); }));
    EXPECT_EQ(ListWindows(), 0);
}

}  // namespace
