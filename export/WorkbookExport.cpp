#include "export/WorkbookExport.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "export/CsvExport.h"
#include "export/StatisticsFields.h"
#include "platform/AnsiCodePage.h"
#include "platform/LocalTime.h"

namespace {

constexpr const char* READINGS_SHEET = "Readings";
constexpr const char* SUMMARY_SHEET = "Summary";
constexpr double SECONDS_PER_DAY = 86400.0;

// Texts of a measurement file are single bytes in the Windows code page; a workbook holds
// UTF-8. Control characters, which its XML cannot hold, become blanks, and bytes the code page
// leaves unused U+FFFD.
std::string Utf8OfWindowsText(const std::string& text) {
    std::string utf8;
    for (const char c : text) {
        char16_t code = CodePointOfAnsiByte(static_cast<std::uint8_t>(c));
        if (code >= 0x80 && code < 0xA0) {
            code = 0xFFFD;
        }
        if (code < 0x20 || code == 0x7F) {
            utf8 += ' ';
        } else if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

lxw_datetime DateTimeOf(std::time_t time, int milliseconds) {
    const LocalTimeParts p = SplitLocalTime(time);
    return {p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second + milliseconds / 1000.0};
}

// The cell formats of the workbook, made once.
struct CFormats {
    lxw_format* Bold;
    lxw_format* DateTime;
    lxw_format* DateTimeMs;
    lxw_format* HourStart;
    lxw_format* Level;
    lxw_format* Duration;

    explicit CFormats(lxw_workbook* workbook)
        : Bold(workbook_add_format(workbook)),
          DateTime(workbook_add_format(workbook)),
          DateTimeMs(workbook_add_format(workbook)),
          HourStart(workbook_add_format(workbook)),
          Level(workbook_add_format(workbook)),
          Duration(workbook_add_format(workbook)) {
        format_set_bold(Bold);
        format_set_num_format(DateTime, "dd/mm/yyyy hh:mm:ss");
        format_set_num_format(DateTimeMs, "dd/mm/yyyy hh:mm:ss.000");
        format_set_num_format(HourStart, "dd/mm/yyyy hh:mm");
        format_set_num_format(Level, "0.0");
        format_set_num_format(Duration, "[h]:mm:ss");
    }
};

// Collects the first error of the many cell writes, so that one check at the end says
// whether the workbook is whole.
class CSheetWriter {
public:
    CSheetWriter(lxw_worksheet* sheet, const CFormats& formats) : m_sheet(sheet), m_f(formats) {}

    void Text(lxw_row_t row, lxw_col_t column, const std::string& text,
              lxw_format* format = nullptr) {
        Check(worksheet_write_string(m_sheet, row, column, text.c_str(), format));
    }
    void Number(lxw_row_t row, lxw_col_t column, double value, lxw_format* format = nullptr) {
        Check(worksheet_write_number(m_sheet, row, column, value, format));
    }
    // Writes the local time as a date-time cell; its serial day number, which the chart's time
    // axis counts in.
    double Time(lxw_row_t row, lxw_col_t column, std::time_t time, lxw_format* format,
                int milliseconds = 0) {
        lxw_datetime dateTime = DateTimeOf(time, milliseconds);
        Check(worksheet_write_datetime(m_sheet, row, column, &dateTime, format));
        return lxw_datetime_to_excel_datetime(&dateTime);
    }
    // A statistic as its number in the matching format, or its text when it has none.
    void Field(lxw_row_t row, const CStatisticsField& field) {
        Text(row, 0, field.Label);
        if (!field.Value || !std::isfinite(*field.Value)) {
            Text(row, 1, field.Text);
        } else if (field.Type == CStatisticsField::Kind::Level) {
            Number(row, 1, *field.Value, m_f.Level);
        } else if (field.Type == CStatisticsField::Kind::Duration) {
            Number(row, 1, *field.Value / SECONDS_PER_DAY, m_f.Duration);
        } else {
            Number(row, 1, *field.Value);
        }
    }
    void Check(lxw_error error) {
        if (error != LXW_NO_ERROR && m_error == LXW_NO_ERROR) {
            m_error = error;
        }
    }
    bool Failed() const { return m_error != LXW_NO_ERROR; }

private:
    lxw_worksheet* m_sheet;
    const CFormats& m_f;
    lxw_error m_error = LXW_NO_ERROR;
};

std::string LevelHeader(const CMeasurementRecord& record) {
    return "Level (" + UnitText(record.IsDBA) + ")";
}

// The earliest and latest local time of the readings, as serial day numbers. Not always those
// of the first and last reading: the local clock goes back an hour when summer time ends.
struct CTimeSpan {
    double Earliest = HUGE_VAL;
    double Latest = -HUGE_VAL;
};

CTimeSpan WriteReadings(CSheetWriter& sheet, const CFormats& f, const CMeasurementRecord& record,
                        std::int32_t count) {
    CTimeSpan span;
    sheet.Text(0, 0, "No.", f.Bold);
    sheet.Text(0, 1, "Time", f.Bold);
    sheet.Text(0, 2, LevelHeader(record), f.Bold);
    const bool milliseconds = ExportTimesInMilliseconds(record);
    for (std::int32_t i = 0; i < count; ++i) {
        const auto row = static_cast<lxw_row_t>(i + 1);
        sheet.Number(row, 0, i + 1);
        const CReadingTime at = ExportReadingTime(record, i);
        const double time =
            sheet.Time(row, 1, at.Second, milliseconds ? f.DateTimeMs : f.DateTime, at.Millisecond);
        span.Earliest = std::min(span.Earliest, time);
        span.Latest = std::max(span.Latest, time);
        const float level = record.Levels[static_cast<std::size_t>(i)];
        if (std::isfinite(level)) {
            sheet.Number(row, 2, DecimalOf(level), f.Level);
        }
    }
    return span;
}

// The info panel's fields, the statistics and the hourly table, one below the other.
void WriteSummary(CSheetWriter& sheet, const CFormats& f, const CMeasurementRecord& r) {
    lxw_row_t row = 0;
    sheet.Text(row++, 0, "Measurement", f.Bold);
    for (const auto& [label, text] : InfoPanelFields(r)) {
        sheet.Text(row, 0, label);
        sheet.Text(row++, 1, Utf8OfWindowsText(text));
    }

    const CAcousticStatistics statistics = ComputeAcousticStatistics(r);
    ++row;
    sheet.Text(row++, 0, "Statistics", f.Bold);
    for (const CStatisticsField& field : StatisticsFields(statistics)) {
        sheet.Field(row++, field);
    }

    ++row;
    sheet.Text(row, 0, "Hour", f.Bold);
    sheet.Text(row, 1, "UTC offset", f.Bold);
    sheet.Text(row, 2, "Readings", f.Bold);
    sheet.Text(row++, 3, LeqLabel(statistics) + " (dB)", f.Bold);
    for (const CHourlyLeq& hour : statistics.Hourly) {
        sheet.Time(row, 0, hour.Start, f.HourStart);
        sheet.Text(row, 1, IsoLocalTime(hour.Start).substr(19));
        sheet.Number(row, 2, hour.Count);
        if (hour.LeqDb) {
            sheet.Number(row, 3, *hour.LeqDb, f.Level);
        }
        ++row;
    }
}

// A line of the level against time over the readings sheet, beside the summary. The times are
// the x values of a scatter chart drawn with lines: a line chart would take them for
// categories, and spreadsheet programs put every category of one day on the same spot. The
// time axis spans the readings, not the whole days a spreadsheet program would round it to.
void InsertChart(lxw_workbook* workbook, lxw_worksheet* summary, const CMeasurementRecord& record,
                 std::int32_t count, const CTimeSpan& span) {
    lxw_chart* chart = workbook_add_chart(workbook, LXW_CHART_SCATTER_STRAIGHT);
    const std::string last = std::to_string(count + 1);
    const std::string times = std::string("=") + READINGS_SHEET + "!$B$2:$B$" + last;
    const std::string levels = std::string("=") + READINGS_SHEET + "!$C$2:$C$" + last;
    chart_add_series(chart, times.c_str(), levels.c_str());
    const std::string level = LevelHeader(record);
    chart_title_set_name(chart, level.c_str());
    chart_axis_set_name(chart->x_axis, "Time");
    chart_axis_set_name(chart->y_axis, level.c_str());
    chart_axis_set_num_format(chart->x_axis, "dd/mm hh:mm");
    if (span.Earliest < span.Latest) {
        chart_axis_set_min(chart->x_axis, span.Earliest);
        chart_axis_set_max(chart->x_axis, span.Latest);
    }
    chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    lxw_chart_options placement{};
    placement.x_scale = 2.0;
    placement.y_scale = 1.5;
    worksheet_insert_chart_opt(summary, 1, 5, chart, &placement);
}

}  // namespace

bool WriteWorkbook(const CMeasurementRecord& record, const std::filesystem::path& file) {
    const std::int32_t count = ReadingCount(record);
    // Rows go out as they are written: a full logger memory needs no copy of every cell.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(file.c_str(), &options);
    if (!workbook) {
        return false;
    }
    const CFormats formats(workbook);
    lxw_worksheet* readings = workbook_add_worksheet(workbook, READINGS_SHEET);
    lxw_worksheet* summary = workbook_add_worksheet(workbook, SUMMARY_SHEET);
    bool written = readings && summary;
    if (written) {
        worksheet_set_column(readings, 0, 0, 8, nullptr);
        worksheet_set_column(readings, 1, 1, 20, nullptr);
        worksheet_set_column(readings, 2, 2, 12, nullptr);
        worksheet_freeze_panes(readings, 1, 0);
        CSheetWriter readingsSheet(readings, formats);
        const CTimeSpan span = WriteReadings(readingsSheet, formats, record, count);
        written = !readingsSheet.Failed();

        worksheet_set_column(summary, 0, 0, 28, nullptr);
        worksheet_set_column(summary, 1, 1, 24, nullptr);
        worksheet_set_column(summary, 2, 3, 11, nullptr);
        // Printed, the tables and the chart beside them stay together: one page wide.
        worksheet_set_landscape(summary);
        worksheet_fit_to_pages(summary, 1, 0);
        CSheetWriter summarySheet(summary, formats);
        WriteSummary(summarySheet, formats, record);
        written = written && !summarySheet.Failed();
        // A chart without a series is no chart.
        if (count > 0) {
            InsertChart(workbook, summary, record, count, span);
        }
    }
    // Closing writes the file, and frees the workbook whatever happens.
    const bool closed = workbook_close(workbook) == LXW_NO_ERROR;
    return written && closed;
}
