#pragma once

#include <filesystem>

// Whether a workbook file holds every part whole: each member of the archive reads back with
// its checksum, and each XML part ends with the closing tag of its root element.
//
// libxlsxwriter writes the parts to temporary files before it packs them, and does not notice
// when such a write fails (a full temporary folder): it then packs the cut parts and reports
// success. This check is how a cut workbook is told from a whole one.
bool WorkbookIsWhole(const std::filesystem::path& file);
