// The print commands of the main window: which report each prints or previews, Ctrl+P
// printing the report chosen last, the page range, print setup and a job that cannot start.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <gtest/gtest.h>

#include <regex>

#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CPrintDialogs.h"
#include "tests/CRecordingPrompt.h"
#include "tests/PdfTools.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

// The print dialogs of the tests: every job goes to a PDF file, the page counts offered are
// remembered.
class CScriptedPrintDialogs : public CPrintDialogs {
public:
    bool ConfirmPrint(QPrinter& printer, int pageCount) override {
        Offered.push_back(pageCount);
        if (!Accept) {
            return false;
        }
        printer.setOutputFileName(QString::fromStdString(Output.string()));
        printer.setPrintRange(Range ? QPrinter::PageRange : QPrinter::AllPages);
        printer.setFromTo(Range ? Range->first : 0, Range ? Range->second : 0);
        return true;
    }
    void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& render) override {
        ++Previews;
        if (!PreviewSteps.empty()) {
            StepThroughPreview(printer, render);
            return;
        }
        printer.setOutputFileName(QString::fromStdString(Output.string()));
        render(printer);
    }
    // Qt's own preview, whose pages the user steps through as PreviewSteps says; what it
    // showed at each step is kept.
    void StepThroughPreview(QPrinter& printer, const std::function<void(QPrinter&)>& render) {
        QPrintPreviewWidget preview(&printer);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &preview,
                         [&render](QPrinter* target) { render(*target); });
        preview.setViewMode(QPrintPreviewWidget::SinglePageView);
        preview.resize(500, 700);
        preview.show();
        PreviewPageCount = preview.pageCount();
        for (const int page : PreviewSteps) {
            preview.setCurrentPage(page);
            PreviewShown.push_back(preview.grab().toImage());
        }
    }
    void PageSetup(QPrinter& printer) override {
        ++PageSetups;
        printer.setPageOrientation(QPageLayout::Landscape);
    }

    std::filesystem::path Output;
    bool Accept = true;
    std::optional<std::pair<int, int>> Range;
    std::vector<int> Offered;
    int Previews = 0;
    int PageSetups = 0;
    std::vector<int> PreviewSteps;
    int PreviewPageCount = 0;
    std::vector<QImage> PreviewShown;
};

// A main window over a measurement of 200 readings: a list report of six pages.
class PrintCommands : public CMainFrameTest<> {
protected:
    void SetUp() override {
        CMainFrameTest::SetUp();
        m_frame->UsePrintDialogs(m_print);
        m_doc.ReplaceRecord(ExampleRecord(200), DocumentChange::Downloaded);
        m_print.Output = m_dir / "report.pdf";
    }

    QAction* FileItem(const QString& submenu, const QString& item) const {
        for (QMenu* menu : m_frame->menuBar()->findChildren<QMenu*>()) {
            if (menu->title() == submenu) {
                for (QAction* action : menu->actions()) {
                    if (action->text() == item) {
                        return action;
                    }
                }
            }
        }
        return nullptr;
    }

    void OpenList() {
        ActionWithText(*m_frame, "Import data to list")->trigger();
        ASSERT_TRUE(WaitFor([this] { return m_frame->GraphView().DataList().IsOpen(); }));
        m_frame->UpdateCommandUI();
    }

    // Triggers an enabled command; the page count its print dialog offered (0 for none).
    int Run(QAction* command) {
        EXPECT_NE(command, nullptr);
        if (command == nullptr || !command->isEnabled()) {
            ADD_FAILURE() << "disabled";
            return 0;
        }
        m_print.Offered.clear();
        command->trigger();
        return m_print.Offered.empty() ? 0 : m_print.Offered.back();
    }

    std::string Pages() const { return PdfInfo(m_print.Output); }

    CTempDir m_dir;
    CScriptedPrintDialogs m_print;
};

TEST_F(PrintCommands, previewList_thenCtrlP_printsTheListAgain_untilAGraphCommand) {
    OpenList();
    QAction* ctrlP = ActionWithText(*m_frame, "Print");
    ASSERT_NE(ctrlP, nullptr);
    ASSERT_EQ(ctrlP->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

    Run(FileItem("&Print Preview", "&List"));
    EXPECT_EQ(m_print.Previews, 1);
    EXPECT_EQ(m_frame->GraphView().State().DisplayState, GraphDisplay::ListReport);
    EXPECT_NE(Pages().find("Pages:           6\n"), std::string::npos) << "every page previewed";

    EXPECT_EQ(Run(ctrlP), 6);
    EXPECT_NE(PdfPageText(m_print.Output, 6).find("200"), std::string::npos);
    EXPECT_EQ(Run(ctrlP), 6);

    EXPECT_EQ(Run(ActionWithText(*m_frame, "Print Graph")), 1);
    EXPECT_EQ(m_frame->GraphView().State().DisplayState, GraphDisplay::Graph);
    EXPECT_EQ(Run(ctrlP), 1);
    EXPECT_NE(Pages().find("Pages:           1\n"), std::string::npos);
    EXPECT_EQ(Run(ActionWithText(*m_frame, "Print List")), 6);
    Run(FileItem("&Print Preview", "&Graph"));
    EXPECT_NE(Pages().find("Pages:           1\n"), std::string::npos);
    EXPECT_EQ(Run(ctrlP), 1);
    EXPECT_TRUE(m_prompt.Log.empty());
}

TEST_F(PrintCommands, thePreview_showsEachPageAlike_steppingForwardOrBackwards) {
    OpenList();
    m_print.PreviewSteps = {1, 2, 3, 4, 6, 5, 4, 3};
    Run(FileItem("&Print Preview", "&List"));
    ASSERT_EQ(m_print.PreviewPageCount, 6);
    const std::vector<QImage>& shown = m_print.PreviewShown;
    ASSERT_EQ(shown.size(), 8u);
    EXPECT_EQ(shown[7], shown[2]) << "page 3, stepping back from the last page";
    EXPECT_EQ(shown[6], shown[3]) << "page 4";
    EXPECT_NE(shown[2], shown[3]) << "pages 3 and 4 differ";
    EXPECT_NE(shown[2], shown[0]) << "pages 1 and 3 differ";
}

TEST_F(PrintCommands, closingTheList_andTheNextGraphRedraw_disableBothListCommands) {
    QAction* previewList = FileItem("&Print Preview", "&List");
    QAction* printList = FileItem("&Print...", "&List");
    QAction* listButton = ActionWithText(*m_frame, "Print List");
    const auto listCommandsEnabled = [&] {
        return previewList->isEnabled() + printList->isEnabled() + listButton->isEnabled();
    };
    EXPECT_EQ(listCommandsEnabled(), 0) << "before the list was opened";
    OpenList();
    EXPECT_EQ(listCommandsEnabled(), 3);

    CDTView& graph = m_frame->GraphView();
    graph.grab();  // the picture is up to date, so the next paint only shows it again
    graph.DataList().Window()->close();
    EXPECT_EQ(listCommandsEnabled(), 3) << "until the graph paints";
    // The graph paints again what the list covered, from the picture it keeps.
    EXPECT_TRUE(WaitFor([&] { return listCommandsEnabled() == 0; }));
    EXPECT_FALSE(graph.State().ListShown);

    // Printing paints the graph too: the list report of a list just closed prints from the
    // table the list showed, and withdraws the list report afterwards.
    OpenList();
    graph.DataList().Window()->close();
    EXPECT_EQ(Run(printList), 6);
    EXPECT_NE(PdfPageText(m_print.Output, 2).find("\n31 "), std::string::npos);
    EXPECT_EQ(listCommandsEnabled(), 0);
}

TEST_F(PrintCommands, thePrintDialogsRange_cancelAndPageSetup_reachTheJob) {
    OpenList();
    m_print.Range = std::pair{3, 4};
    EXPECT_EQ(Run(ActionWithText(*m_frame, "Print List")), 6);
    EXPECT_NE(Pages().find("Pages:           2\n"), std::string::npos);
    const std::string third = PdfPageText(m_print.Output, 1);
    EXPECT_NE(third.find("\n67 "), std::string::npos) << third;
    EXPECT_NE(third.find("\n102 "), std::string::npos) << third;
    EXPECT_NE(third.find("page3"), std::string::npos) << third;

    // Cancel prints nothing.
    std::filesystem::remove(m_print.Output);
    m_print.Accept = false;
    EXPECT_EQ(Run(ActionWithText(*m_frame, "Print Graph")), 1);
    EXPECT_FALSE(std::filesystem::exists(m_print.Output));

    // The page setup stays with the printer for the next jobs, preview and print.
    m_print.Accept = true;
    m_print.Range.reset();
    Run(ActionWithText(*m_frame, "&Print Setup..."));
    EXPECT_EQ(m_print.PageSetups, 1);
    Run(FileItem("&Print Preview", "&Graph"));
    EXPECT_NE(Pages().find("Page size:       842 x 595 pts (A4)"), std::string::npos) << Pages();
}

TEST_F(PrintCommands, withTheInfoPanelHidden_theGraphReportHasItsTitleAndNoHeader) {
    for (const bool panelShown : {true, false}) {
        if (m_frame->InfoPanelShown != panelShown) {
            ActionWithText(*m_frame, "&Info Dialog")->trigger();
        }
        ASSERT_EQ(m_frame->GraphView().State().PanelHeight != 0, panelShown);
        Run(ActionWithText(*m_frame, "Print Graph"));
        const std::string text = PdfPageText(m_print.Output, 1);
        EXPECT_NE(text.find("Test Report"), std::string::npos) << panelShown;
        EXPECT_EQ(text.find("Start Time:") != std::string::npos, panelShown) << text;
        EXPECT_EQ(text.find("Sound AVG:") != std::string::npos, panelShown) << text;
    }
}

// The printed graph of a wide window keeps the page's margins free of ink, and its axis labels
// stay legible at 7 points or more.
TEST_F(PrintCommands, thePrintedGraph_keepsTheMargins_andLegibleLabels) {
    constexpr int DPI = 72;
    constexpr int MARGIN = 9 * DPI * 10 / 254;  // 9 mm: the margins less the edges' blending
    m_frame->resize(1900, 1000);
    ASSERT_EQ(Run(ActionWithText(*m_frame, "Print Graph")), 1);
    const QImage page = RenderPdfPage(m_print.Output, 1, DPI, m_dir / "graph.png");
    ASSERT_FALSE(page.isNull());
    const QRect inside = page.rect().adjusted(MARGIN, MARGIN, -MARGIN, -MARGIN);
    int ink = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            ink += !inside.contains(x, y) && page.pixelColor(x, y) != Qt::white ? 1 : 0;
        }
    }
    EXPECT_EQ(ink, 0);
    int labels = 0;
    for (const CPdfWord& word : PdfWords(m_print.Output, 1)) {
        if (std::regex_match(word.Text, std::regex(R"(\d+\.\d\d)"))) {
            ++labels;
            EXPECT_GE(word.Bottom - word.Top, 7.0) << word.Text;
        }
    }
    EXPECT_GE(labels, 10);
}

TEST_F(PrintCommands, aJobThatCannotStart_saysSo) {
    m_print.Output = m_dir / "no such folder" / "report.pdf";
    Run(ActionWithText(*m_frame, "Print Graph"));
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Could not start print job."});
    EXPECT_EQ(m_prompt.Log.at(0).Icon, PromptIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(m_print.Output));
}

}  // namespace
