#include "document/CTextReport.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "document/CMeasurementRecord.h"

namespace {

constexpr const char* LINE_END = "\r\n";
constexpr const char* COLUMN_HEADER = "NO\tSOUND\tUNIT\tTIME\t";
// Rows are gathered and handed to the stream in pieces of about this size.
constexpr std::size_t CHUNK = 64 * 1024;

// The TIME column: "05-06-14/14:02:07".
CMinuteClockText ReportClock() {
    return CMinuteClockText(
        [](std::time_t time) { return FormatLocalTime(time, "%d-%m-%y/%H:%M:%S"); }, 2);
}

// Texts from a file may hold line breaks; a header line must stay one line.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

}  // namespace

bool WriteTextReport(const CMeasurementRecord& r, std::ostream& out) {
    const std::int64_t count = std::max<std::int64_t>(
        0, std::min<std::int64_t>(r.SampleCount, static_cast<std::int64_t>(r.Levels.size())));
    const std::int64_t groups = (count + REPORT_GROUP_ROWS - 1) / REPORT_GROUP_ROWS;
    const std::int64_t rows = groups > 1 ? REPORT_GROUP_ROWS : count;

    std::string text;
    text.reserve(CHUNK + 256);
    text += std::string(33, ' ') + "Test Report" + LINE_END;
    text += LINE_END;
    text += OneLine(">>Start Time: " + r.Info.StartTime + "  Samprate: " + r.Info.SampleRate +
                    "  Data number: " + r.Info.DataNo + "  Speed:  " + r.Info.Speed +
                    "  Mode:  " + r.ModeText) +
            LINE_END;
    text += OneLine(">>Sound MAX: " + r.Info.SoundMax + "  Sound MIN: " + r.Info.SoundMin +
                    "  Sound AVG: " + r.Info.SoundAvg) +
            LINE_END;
    text += std::string(150, '-') + LINE_END;
    for (std::int64_t g = 0; g < groups; ++g) {
        text += COLUMN_HEADER;
    }
    text += LINE_END;

    const std::string unit = UnitText(r.IsDBA);
    // One clock per column group: a row jumps 60000 readings from group to group.
    CMinuteClockText clocks[REPORT_MAX_GROUPS] = {ReportClock(), ReportClock(), ReportClock()};
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t g = 0; g < REPORT_MAX_GROUPS; ++g) {
            const std::int64_t index = row + g * REPORT_GROUP_ROWS;
            if (index >= count) {
                break;
            }
            text += std::to_string(index + 1);
            text += '\t';
            AppendLevelText(text, r.Levels[static_cast<std::size_t>(index)]);
            text += '\t';
            text += unit;
            text += '\t';
            text += clocks[g].Text(r.SampleTime(index));
            text += '\t';
        }
        text += LINE_END;
        if (text.size() >= CHUNK) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}
