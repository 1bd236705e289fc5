#include "export/ExportFiles.h"

#include <stdlib.h>

#include <fstream>
#include <system_error>

#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "export/WorkbookExport.h"
#include "platform/CAtomicFile.h"

namespace {

// A folder of its own under the system's temporary folder, removed with what it holds.
class CScratchFolder {
public:
    CScratchFolder() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "datalogger-export-XXXXXX").string();
        if (!error && mkdtemp(pattern.data())) {
            m_path = pattern;
        }
    }
    ~CScratchFolder() {
        if (!m_path.empty()) {
            std::error_code ignored;  // nothing more can be done about a leftover scratch folder
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    bool Made() const { return !m_path.empty(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// libxlsxwriter writes only to a file it names itself: the workbook is made in a scratch
// folder and then copied into the temporary file that takes the target's place.
bool CopyWorkbook(const CMeasurementRecord& record, std::ostream& out) {
    const CScratchFolder scratch;
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
