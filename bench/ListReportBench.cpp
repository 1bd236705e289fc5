// The list report of a full logger memory (129920 readings, 3610 pages) written as a PDF file,
// as `datalogger-cli print --report list` writes it, and, as the plain form, the same table
// written as tab-separated text from the same model.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/BenchHome.h"
#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDataListModel.h"
#include "graph/ReportPages.h"

namespace {

// A full memory in the data list's model, and a program directory of its own for the files
// written.
class CFullList {
public:
    CFullList() {
        m_doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
        m_table.TakeStaleCount();
    }
    CReport Report() const {
        return {.Kind = GraphDisplay::ListReport,
                .Record = m_doc.Record(),
                .Table = m_table,
                .InfoPanelShown = true,
                .Graph = {},
                .PrintedAt = m_doc.Record().StartTime};
    }
    const CDataListModel& Table() const { return m_table; }

private:
    CBenchHome m_home;
    CDTDoc m_doc;
    CDataListModel m_table{m_doc};
};

std::filesystem::path OutputFile(const char* name) {
    return std::filesystem::path(std::getenv("DATALOGGER_HOME")) / name;
}

void BM_ListReportPdf(benchmark::State& state) {
    const CFullList list;
    const CReport report = list.Report();
    const auto file = OutputFile("list.pdf");
    for (auto _ : state) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!WriteReportPdf(out, report, 1, report.PageCount())) {
            state.SkipWithError("the PDF could not be written");
        }
    }
    state.SetLabel("ref=BM_ListRowsText");
    state.counters["pages"] = report.PageCount();
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ListReportPdf)->Unit(benchmark::kMillisecond);

void BM_ListRowsText(benchmark::State& state) {
    const CFullList list;
    const CDataListModel& table = list.Table();
    const auto file = OutputFile("list.txt");
    for (auto _ : state) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (int row = 0; row < table.rowCount(); ++row) {
            for (int column = 0; column < table.columnCount(); ++column) {
                out << (column > 0 ? "\t" : "")
                    << table.data(table.index(row, column)).toString().toStdString();
            }
            out << '\n';
        }
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ListRowsText)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
