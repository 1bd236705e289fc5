#include "document/CTextReport.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <string>

#include "document/CMeasurementRecord.h"

namespace {

constexpr const char* LINE_END = "\r\n";
constexpr const char* COLUMN_HEADER = "NO\tSOUND\tUNIT\tTIME\t";
// Rows are gathered and handed to the stream in pieces of about this size.
constexpr std::size_t CHUNK = 64 * 1024;

// The TIME column; readings often share a second, and formatting it again is wasted work.
class CReportClock {
public:
    explicit CReportClock(const CMeasurementRecord& record) : m_record(record) {}

    const std::string& TimeOf(std::int64_t index) {
        const std::time_t time = m_record.SampleTime(index);
        if (!m_valid || time != m_time) {
            m_time = time;
            m_text = FormatLocalTime(time, "%d-%m-%y/%H:%M:%S");
            m_valid = true;
        }
        return m_text;
    }

private:
    const CMeasurementRecord& m_record;
    std::time_t m_time = 0;
    std::string m_text;
    bool m_valid = false;
};

void AppendLevel(std::string& out, float level) {
    // The same digits as "%.1f": the exact value of the float, rounded to one decimal.
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<double>(level),
                                      std::chars_format::fixed, 1);
    out.append(digits, result.ptr);
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
    text += ">>Start Time: " + r.Info.StartTime + "  Samprate: " + r.Info.SampleRate +
            "  Data number: " + r.Info.DataNo + "  Speed:  " + r.Info.Speed +
            "  Mode:  " + r.ModeText + LINE_END;
    text += ">>Sound MAX: " + r.Info.SoundMax + "  Sound MIN: " + r.Info.SoundMin +
            "  Sound AVG: " + r.Info.SoundAvg + LINE_END;
    text += std::string(150, '-') + LINE_END;
    for (std::int64_t g = 0; g < groups; ++g) {
        text += COLUMN_HEADER;
    }
    text += LINE_END;

    const std::string unit = UnitText(r.IsDBA);
    CReportClock clock(r);
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t g = 0; g < REPORT_MAX_GROUPS; ++g) {
            const std::int64_t index = row + g * REPORT_GROUP_ROWS;
            if (index >= count) {
                break;
            }
            text += std::to_string(index + 1);
            text += '\t';
            AppendLevel(text, r.Levels[static_cast<std::size_t>(index)]);
            text += '\t';
            text += unit;
            text += '\t';
            text += clock.TimeOf(index);
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
