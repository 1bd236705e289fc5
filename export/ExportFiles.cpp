#include "export/ExportFiles.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "export/WorkbookExport.h"
#include "platform/CAtomicFile.h"
#include "platform/CScratchFolder.h"

namespace {

constexpr std::size_t COPY_PIECE = 64 * 1024;

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
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(workbook, error);
    std::ifstream in(workbook, std::ios::binary);
    if (error || !in) {
        return false;
    }
    // Copied piece by piece with each write checked: a stream that stops taking a copied
    // stream buffer part way (a full disk) reports nothing.
    std::vector<char> piece(COPY_PIECE);
    std::uintmax_t copied = 0;
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        if (!out.write(piece.data(), in.gcount())) {
            return false;
        }
        copied += static_cast<std::uintmax_t>(in.gcount());
    }
    return !in.bad() && copied == size;
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
