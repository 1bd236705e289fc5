#include "export/ExportFiles.h"

#include <fstream>

#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "export/WorkbookExport.h"
#include "platform/CAtomicFile.h"
#include "platform/CScratchFolder.h"

namespace {

// libxlsxwriter writes only to a file it names itself: the workbook is made in a scratch
// folder and then copied into the temporary file that takes the target's place.
bool CopyWorkbook(const CMeasurementRecord& record, std::ostream& out) {
    const CScratchFolder scratch("datalogger-export");
    if (!scratch.Made()) {
        return false;
    }
    const auto workbook = scratch.Path() / "workbook.xlsx";
    if (!WriteWorkbook(record, workbook) || !WorkbookIsWhole(workbook)) {
        return false;
    }
    std::ifstream in(workbook, std::ios::binary);
    if (!in) {
        return false;
    }
    out << in.rdbuf();
    return static_cast<bool>(out);
}

}  // namespace

bool ExportToFile(const CMeasurementRecord& record, ExportFormat format,
                  const std::filesystem::path& file) {
    CAtomicFile target(file);
    if (!target.Open()) {
        return false;
    }
    const bool written = format == ExportFormat::Csv ? WriteCsv(record, target.Stream())
                                                     : CopyWorkbook(record, target.Stream());
    return written && target.Commit();
}

std::string ExportFailedMessage(const std::filesystem::path& file) {
    return "The file \"" + file.string() +
           "\" could not be written. Nothing was exported; a file of that name that existed "
           "before is unchanged.";
}
