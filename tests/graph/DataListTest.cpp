// The data list: its table model (rows made on request, the count taken when stale) and its
// window over the graph view.

#include <QHeaderView>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>

#include <gtest/gtest.h>

#include "dialogs/display/CDataListDlg.h"
#include "graph/CDataListModel.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

QString Cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

QStringList Row(const QAbstractItemModel& model, int row) {
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column) {
        texts << Cell(model, row, column);
    }
    return texts;
}

TEST(DataListModel, takesTheRecordsCountOnlyWhenStale_andShowsNothingPastTheRecord) {
    CDTDoc doc;
    doc.Record() = ExampleRecord(5, 2.0f);
    CDataListModel model(doc);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_TRUE(doc.ListCountStale);
    model.TakeStaleCount();
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_FALSE(doc.ListCountStale);
    model.TakeStaleCount();  // nothing new: no reset
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(Row(model, 4), QStringList({"5", "05/06/14 14:02:15", "55.4", "dBA"}));

    // A shorter record replaces it: until the next paint the list still has five rows, and the
    // two the record no longer holds are empty.
    doc.ReplaceRecord(ExampleRecord(3), DocumentChange::Loaded);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(Row(model, 2), QStringList({"3", "05/06/14 14:02:09", "55.2", "dBA"}));
    EXPECT_EQ(Row(model, 3), QStringList({"", "", "", ""}));
    model.TakeStaleCount();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(resets.count(), 2);

    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column) {
        headers << model.headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(
            model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignLeft,
            Qt::AlignLeft);
    }
    EXPECT_EQ(headers, QStringList({"No.", "Time", "Sound", "Unit"}));
}

class DataList : public ::testing::Test {
protected:
    DataList() : m_graph(QSize(1000, 700)) {}

    CDataList& List() { return m_graph.View->DataList(); }
    CDataListDlg& Window() { return *List().Window(); }
    CDataListModel& Model() { return List().Model(); }

    CDataListDlg& OpenOn(CMeasurementRecord record) {
        m_graph.Download(std::move(record));
        List().Open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window()));
        return Window();
    }

    CGraphViewFixture m_graph;
};

TEST_F(DataList, opensWithEveryReading_numberedAndTimed) {
    CDataListDlg& window = OpenOn(ExampleRecord(1000, 2.0f));
    EXPECT_EQ(window.windowTitle(), "Sound Data List");
    EXPECT_EQ(window.parentWidget(), &m_graph.Window);  // it stays above the main window
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    QTableView& table = window.Table();
    EXPECT_EQ(table.model()->rowCount(), 1000);
    EXPECT_EQ(Row(*table.model(), 0), QStringList({"1", "05/06/14 14:02:07", "55.0", "dBA"}));
    // 999 × 2 s = 33 min 18 s after the start.
    EXPECT_EQ(Row(*table.model(), 999), QStringList({"1000", "05/06/14 14:35:25", "84.9", "dBA"}));
    EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(table.showGrid());
    EXPECT_FALSE(table.verticalHeader()->isVisible());
    EXPECT_EQ(table.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    const QList<int> widths = {table.columnWidth(1), table.columnWidth(2), table.columnWidth(3)};
    EXPECT_EQ(widths, QList<int>({150, 130, 130}));
    // 50 pixels, or what the six digits of a full memory's numbers need.
    EXPECT_GE(table.columnWidth(0), 50);
    EXPECT_GT(table.columnWidth(0), table.fontMetrics().horizontalAdvance("129920"));

    // The command again while it is open changes nothing.
    List().Open();
    EXPECT_EQ(List().Window(), &window);
    EXPECT_EQ(m_graph.Window.findChildren<CDataListDlg*>().size(), 1);
}

TEST_F(DataList, aLoadWhileOpen_keepsThePlaceAndTakesTheNewRowsAtTheNextPaint) {
    CDataListDlg& window = OpenOn(ExampleRecord(50));
    window.move(200, 150);
    const QPoint place = window.pos();
    m_graph.Doc.ReplaceRecord(ExampleRecord(7, 0.5f), DocumentChange::Loaded);
    EXPECT_EQ(Model().rowCount(), 50);
    EXPECT_EQ(Row(Model(), 20), QStringList({"", "", "", ""}));
    ASSERT_TRUE(WaitUntil([this] { return Model().rowCount() == 7; }));
    EXPECT_FALSE(m_graph.Doc.ListCountStale);
    EXPECT_EQ(Row(Model(), 6), QStringList({"7", "05/06/14 14:02:10", "55.6", "dBA"}));
    EXPECT_EQ(window.pos(), place);
}

TEST_F(DataList, aDownloadOrTheFirstGraphOfALoadedFile_bringsAMinimisedListBack) {
    for (const DocumentChange change : {DocumentChange::Downloaded, DocumentChange::Loaded}) {
        CDataListDlg& window = OpenOn(ExampleRecord(10));
        window.showMinimized();
        ASSERT_TRUE(window.isMinimized());
        m_graph.Doc.ReplaceRecord(ExampleRecord(12), change);
        if (change == DocumentChange::Loaded) {
            m_graph.Doc.FileJustLoaded = true;
            EXPECT_TRUE(window.isMinimized());  // not before the graph shows the file
            m_graph.Paint();
        }
        EXPECT_FALSE(window.isMinimized());
        ASSERT_TRUE(WaitUntil([this] { return Model().rowCount() == 12; }));
        List().Close();
    }
}

TEST_F(DataList, closing_letsTheWindowGo_andTheNextGraphPaintEndsTheListReport) {
    const struct {
        const char* Name;
        std::function<void(CDTDoc&, CDataListDlg&)> Close;
    } ways[] = {
        {"close box", [](CDTDoc&, CDataListDlg& w) { w.close(); }},
        {"real-time start",
         [](CDTDoc& doc, CDataListDlg&) {
             doc.ReplaceRecord(ExampleRecord(0), DocumentChange::RealTimeStarted);
         }},
    };
    for (const auto& way : ways) {
        CDataListDlg& window = OpenOn(ExampleRecord(10));
        QSignalSpy finished(&window, &QDialog::finished);
        QPointer<CDataListDlg> watched(&window);
        m_graph.View->State().ListShown = true;
        way.Close(m_graph.Doc, window);
        EXPECT_FALSE(List().IsOpen()) << way.Name;
        ASSERT_EQ(finished.count(), 1) << way.Name;
        EXPECT_EQ(finished.front().front().toInt(), 238) << way.Name;
        EXPECT_TRUE(WaitUntil([&watched] { return watched.isNull(); })) << way.Name;
        m_graph.Paint();
        EXPECT_FALSE(m_graph.View->State().ListShown) << way.Name;
    }
}

TEST_F(DataList, theTableFollowsTheWindowsSize) {
    CDataListDlg& window = OpenOn(ExampleRecord(10));
    EXPECT_EQ(window.Table().geometry(), window.rect());
    window.resize(900, 640);
    EXPECT_EQ(window.Table().geometry(), QRect(0, 0, 900, 640));
    window.resize(300, 200);
    EXPECT_EQ(window.Table().geometry(), QRect(0, 0, 300, 200));
}

// Paints of one widget, counted.
class CPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST_F(DataList, movingTheWindow_repaintsTheGraphItUncovers) {
    CDataListDlg& window = OpenOn(ExampleRecord(10));
    m_graph.Paint();
    CPaintCounter counter;
    m_graph.View->installEventFilter(&counter);
    QTest::qWait(20);
    const int before = counter.Paints;
    window.move(window.pos() + QPoint(40, 30));
    EXPECT_TRUE(WaitUntil([&] { return counter.Paints > before; }));
}

}  // namespace
