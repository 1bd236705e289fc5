// datalogger-cli print: the pages the Print command prints, drawn into a PDF without a display.

#include <CLI/CLI.hpp>

#include <QGuiApplication>
#include <QPalette>

#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "cli/CliCommands.h"
#include "cli/OffscreenGui.h"
#include "document/CDTDoc.h"
#include "graph/CDataListModel.h"
#include "graph/GraphPainter.h"
#include "graph/PrintedGraph.h"
#include "graph/ReportPages.h"
#include "platform/CAtomicFile.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"

namespace {

// The graph pane of the main window shown maximised on a 1920 × 1080 desktop: the size the
// printed graph is composed at before it is stretched over the page.
constexpr QSize PRINTED_VIEW_SIZE(1786, 984);

struct CPrintArguments {
    std::string In;
    std::string Out;
    std::string Report = "graph";
    std::string Pages;
};

// "FIRST-LAST", two page numbers from 1 with FIRST ≤ LAST. A number too large for an int is
// refused, not wrapped to a page the user did not ask for.
std::optional<std::pair<int, int>> ParsePageRange(const std::string& text) {
    const char* const end = text.data() + text.size();
    int first = 0;
    int last = 0;
    const auto [dash, firstError] = std::from_chars(text.data(), end, first);
    if (firstError != std::errc() || dash == end || *dash != '-') {
        return std::nullopt;
    }
    const auto [rest, lastError] = std::from_chars(dash + 1, end, last);
    if (lastError != std::errc() || rest != end || first < 1 || last < first) {
        return std::nullopt;
    }
    return std::pair{first, last};
}

GraphDisplay ReportKindOf(const std::string& name) {
    if (name == "list") {
        return GraphDisplay::ListReport;
    }
    return name == "table" ? GraphDisplay::TableReport : GraphDisplay::Graph;
}

void Print(const CPrintArguments& arguments, CCliContext& context) {
    CDTDoc doc;
    if (OutputIsInput(arguments.In, arguments.Out, context) ||
        !LoadMeasurement(arguments.In, doc, context)) {
        return;
    }
    const COffscreenGui gui;
    const CProfile settingsFile = ReadSettingsFile();
    const CFrameSettings frame = ReadFrameSettings(settingsFile);
    CGraphScene graph =
        PrintedSceneOfLoadedFile(doc, PRINTED_VIEW_SIZE, ReadViewSettings(settingsFile),
                                 {frame.BackgroundColor, frame.CurveColor, frame.GridColor},
                                 RgbOf(QGuiApplication::palette().color(QPalette::Button)));
    CDataListModel table(doc);
    table.TakeStaleCount();
    const CReport report{
        .Kind = ReportKindOf(arguments.Report),
        .Record = doc.Record(),
        .Table = table,
        .InfoPanelShown = true,
        .Graph = std::move(graph),
        .PrintedAt = CurrentTime()};

    auto [first, last] = std::pair{1, report.PageCount()};
    if (!arguments.Pages.empty()) {
        std::tie(first, last) = *ParsePageRange(arguments.Pages);
        if (last > report.PageCount()) {
            context.Err << "The " << arguments.Report << " report of \"" << arguments.In
                        << "\" has " << report.PageCount() << " page"
                        << (report.PageCount() == 1 ? "" : "s") << "; there is no page " << last
                        << ".\n";
            context.ExitCode = EXIT_USAGE;
            return;
        }
    }
    CAtomicFile file(arguments.Out);
    if (!file.Open() || !WriteReportPdf(file.Stream(), report, first, last) || !file.Commit()) {
        context.Err << "The PDF file \"" << arguments.Out
                    << "\" could not be written; nothing was written in its place.\n";
        context.ExitCode = EXIT_FAILURE_STATUS;
    }
}

}  // namespace

void RegisterPrintCommand(CLI::App& app, CCliContext& context) {
    auto* print = app.add_subcommand(
        "print", "Write the pages the Print command prints to a PDF file on A4 paper");
    // The callback owns the options' storage, so it lives as long as the command.
    auto arguments = std::make_shared<CPrintArguments>();
    print->add_option("IN", arguments->In, "A .sound measurement file")->required();
    print->add_option("OUT", arguments->Out, "The PDF file to write")->required();
    print
        ->add_option("--report", arguments->Report,
                     "The graph report (default), the list report, or the table report: the "
                     "list's readings in column groups, 400 to a page")
        ->check(CLI::IsMember({"graph", "list", "table"}));
    print->add_option("--pages", arguments->Pages, "Only the pages FIRST to LAST, such as 3-4")
        ->check(
            [](const std::string& text) {
                return ParsePageRange(text) ? std::string() : "FIRST-LAST, pages from 1";
            },
            "FIRST-LAST");
    print->callback([&context, arguments] { Print(*arguments, context); });
}
