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

// The TIME column. Readings often share a second, and within one minute of the local clock
// only the seconds change (the clock changes its offset at whole minutes only), so the date
// and time are formatted in full once a minute at most.
class CReportClock {
public:
    explicit CReportClock(const CMeasurementRecord& record) : m_record(record) {}

    const std::string& TimeOf(std::int64_t index) {
        const std::time_t time = m_record.SampleTime(index);
        if (m_valid && time >= m_minuteStart && time < m_minuteStart + 60) {
            const int second = static_cast<int>(time - m_minuteStart);
            m_text[m_text.size() - 2] = static_cast<char>('0' + second / 10);
            m_text[m_text.size() - 1] = static_cast<char>('0' + second % 10);
        } else {
            m_text = FormatLocalTime(time, "%d-%m-%y/%H:%M:%S");
            m_minuteStart = time - SplitLocalTime(time).Second;
            m_valid = true;
        }
        return m_text;
    }

private:
    const CMeasurementRecord& m_record;
    std::time_t m_minuteStart = 0;
    std::string m_text;
    bool m_valid = false;
};

// Texts from a file may hold line breaks; a header line must stay one line.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

void AppendLevel(std::string& out, float level) {
    // The same digits as "%.1f". Ten times a float is exact in double precision, so rounding
    // it to an integer (ties to even, as printf rounds) gives the digits without the cost of
    // general formatting.
    const double tenths = std::nearbyint(static_cast<double>(level) * 10.0);
    if (!(std::fabs(tenths) < 1e15)) {
        out += LevelText(level, 1);
        return;
    }
    if (std::signbit(level)) {
        out += '-';
    }
    const auto magnitude = static_cast<std::uint64_t>(std::fabs(tenths));
    out += std::to_string(magnitude / 10);
    out += '.';
    out += static_cast<char>('0' + magnitude % 10);
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
    CReportClock clocks[REPORT_MAX_GROUPS] = {CReportClock(r), CReportClock(r), CReportClock(r)};
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
            text += clocks[g].TimeOf(index);
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
