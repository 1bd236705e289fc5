#include "reports/AssessmentReport.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "platform/LocalTime.h"
#include "reports/ReportCanvas.h"

namespace {

using Face = CReportCanvas::Face;
using Align = CReportCanvas::Align;

constexpr const char* NOT_ENOUGH = "not enough readings";
constexpr double MARGIN_MM = 15.0;
constexpr double LINE_MM = 5.0;
constexpr int MOST_DAY_ROWS = 12;
constexpr int MOST_EVENT_ROWS = 36;
// The charts' level scales, whatever a damaged file holds: levels beyond them stand at the ends.
constexpr double LOWEST_CHART_DB = -50.0;
constexpr double HIGHEST_CHART_DB = 250.0;
const QColor RULE_GREY(150, 150, 150);
const QColor BAR_BLUE(60, 100, 170);
const QColor PARTIAL_BLUE(170, 190, 225);
const QColor CURVE_RED(200, 40, 40);

QString Format(const char* format, double value) {
    return QString::asprintf(format, value);
}

QString Level(const std::optional<double>& level) {
    return level ? Format("%.1f", *level) : QString::fromLatin1(NOT_ENOUGH);
}

QString LevelDb(const std::optional<double>& level, const QString& unit) {
    return level ? Format("%.1f ", *level) + unit : QString::fromLatin1(NOT_ENOUGH);
}

constexpr const char* TIME_FORMAT = "%d/%m/%Y %H:%M:%S";

QString TimeText(std::time_t time) {
    return QString::fromStdString(FormatLocalTime(time, TIME_FORMAT));
}

// A time of the assessment, with its milliseconds when readings are less than a second apart.
QString TimeText(std::int64_t ms, const CAssessment& a) {
    return QString::fromStdString(FormatLocalTimeMs(ms, TIME_FORMAT, a.TimesInMilliseconds));
}

// What a C-weighted record shows in place of an A-weighted figure.
constexpr const char* A_WEIGHTED_ONLY = "A-weighted records only";

QString Duration(double seconds) {
    const auto whole = static_cast<long long>(std::llround(seconds));
    const long long days = whole / 86400;
    QString text = QString::asprintf("%02lld:%02lld:%02lld", whole % 86400 / 3600,
                                     whole % 3600 / 60, whole % 60);
    return days > 0 ? QString::asprintf("%lld d ", days) + text : text;
}

QString Hours(const CDayPeriod& period) {
    return QString::asprintf("%02d-%02d h", period.First, period.End);
}

// Everything the pages are drawn from.
struct CReportData {
    const CMeasurementRecord& Record;
    CAcousticStatistics Statistics;
    CAssessment Assessment;
    QString Weighting;  // "A" or "C"
    QString Unit;       // "dB(A)" or "dB(C)"
};

// Label and value pairs in two columns of rows.
void Pairs(CReportCanvas& canvas, double x, double y,
           const std::vector<std::pair<QString, QString>>& rows) {
    for (const auto& [label, value] : rows) {
        canvas.Text(x, y, label);
        canvas.Text(x + 42, y, value);
        y += LINE_MM;
    }
}

double Heading(CReportCanvas& canvas, double y, const QString& text) {
    canvas.Text(0, y, text, Face::Heading);
    canvas.Line(0, y + 1.5, canvas.Width(), y + 1.5, RULE_GREY);
    return y + 7;
}

// A table row: each text from its column's x.
void Row(CReportCanvas& canvas, double y, const std::vector<double>& columns,
         const std::vector<QString>& texts, Face face = Face::Body) {
    for (std::size_t k = 0; k < texts.size() && k < columns.size(); ++k) {
        canvas.Text(columns[k], y, texts[k], face);
    }
}

double MeasurementSection(CReportCanvas& canvas, double y, const CReportData& data) {
    const CMeasurementRecord& record = data.Record;
    const CAcousticStatistics& s = data.Statistics;
    const CAssessment& a = data.Assessment;
    y = Heading(canvas, y, QStringLiteral("Measurement"));
    const std::time_t start = record.StartTime;
    const QString& w = data.Weighting;
    Pairs(canvas, 0, y,
          {{QStringLiteral("Start"), TimeText(start)},
           {QStringLiteral("End"), TimeText(record.SampleTime(a.Readings))},
           {QStringLiteral("Duration"), Duration(s.DurationS)},
           {QStringLiteral("Sample rate"), QString::fromStdString(record.Info.SampleRate)},
           {QStringLiteral("Weighting"), w + QStringLiteral("-weighted")},
           {QStringLiteral("Time weighting"), QString::fromLatin1(record.IsFast ? "FAST" : "SLOW")},
           {QStringLiteral("Readings"), QString::number(a.Readings)},
           {QStringLiteral("Readings with a level"), QString::number(a.LevelReadings)}});
    Pairs(canvas, 95, y,
          {{'L' + w + QStringLiteral("eq"), LevelDb(s.LeqDb, data.Unit)},
           {'L' + w + QStringLiteral("max"), LevelDb(s.MaxDb, data.Unit)},
           {'L' + w + QStringLiteral("min"), LevelDb(s.MinDb, data.Unit)},
           {'L' + w + QStringLiteral("10"), LevelDb(s.L10Db, data.Unit)},
           {'L' + w + QStringLiteral("50"), LevelDb(s.L50Db, data.Unit)},
           {'L' + w + QStringLiteral("90"), LevelDb(s.L90Db, data.Unit)},
           {QStringLiteral("SEL"), LevelDb(s.SelDb, data.Unit)}});
    y += 8 * LINE_MM;
    const int missing = a.Readings - a.LevelReadings;
    const QString note =
        missing == 0 ? QStringLiteral("Every reading carries a level.")
                     : QString::number(missing) +
                           QStringLiteral(
                               " readings carry no level: they count for the time they cover "
                               "but in no level, as in the statistics.");
    return canvas.Paragraph(0, y - 2, canvas.Width(), note) + 6;
}

double EnvironmentalSection(CReportCanvas& canvas, double y, const CReportData& data) {
    const CAssessment& a = data.Assessment;
    const CAssessmentOptions& o = a.Options;
    y = Heading(canvas, y, QStringLiteral("Environmental noise"));
    if (!data.Record.IsDBA) {
        return canvas.Paragraph(0, y - 3.5, canvas.Width(),
                                QStringLiteral("Lday, Levening, Lnight and Lden are A-weighted "
                                               "levels, given for A-weighted records only; this "
                                               "one is C-weighted.")) +
               4;
    }
    y = canvas.Paragraph(
            0, y - 3.5, canvas.Width(),
            QStringLiteral("Day ") + Hours(o.Day) + QStringLiteral(", evening ") +
                Hours(o.Evening) + Format(" (+%g dB)", o.EveningPenaltyDb) +
                QStringLiteral(", night ") + Hours(o.Night) +
                Format(" (+%g dB)", o.NightPenaltyDb) +
                QStringLiteral(", local time. A period's level needs readings covering as long "
                               "as the period lasts; each calendar day has a row."),
            Face::Small) +
        4;
    const std::vector<double> columns = {0, 36, 72, 108, 144};
    Row(canvas, y, columns,
        {QStringLiteral("Day"), QStringLiteral("Lday"), QStringLiteral("Levening"),
         QStringLiteral("Lnight"), QStringLiteral("Lden")});
    y += LINE_MM;
    const auto levelsRow = [&](const QString& name, const CDayLevels& levels) {
        Row(canvas, y, columns,
            {name, Level(levels.LdayDb), Level(levels.LeveningDb), Level(levels.LnightDb),
             Level(levels.LdenDb)});
        y += LINE_MM;
    };
    const int shown = std::min<int>(static_cast<int>(a.Days.size()), MOST_DAY_ROWS);
    for (int d = 0; d < shown; ++d) {
        const CCalendarDay& day = a.Days[static_cast<std::size_t>(d)];
        levelsRow(QString::asprintf("%02d/%02d/%04d", day.Day, day.Month, day.Year), day.Levels);
    }
    if (static_cast<int>(a.Days.size()) > shown) {
        canvas.Text(0, y, QString::number(a.Days.size() - shown) + QStringLiteral(" more days"),
                    Face::Small);
        y += LINE_MM;
    }
    levelsRow(QStringLiteral("Whole record"), a.Whole);
    return y + 4;
}

double OccupationalSection(CReportCanvas& canvas, double y, const CReportData& data) {
    const CAssessment& a = data.Assessment;
    y = Heading(canvas, y, QStringLiteral("Noise at work"));
    if (!data.Record.IsDBA) {
        return canvas.Paragraph(
                   0, y - 3.5, canvas.Width(),
                   QStringLiteral("The daily exposure and the dose are given for "
                                  "A-weighted records only; this one is C-weighted.")) +
               4;
    }
    y = canvas.Paragraph(
            0, y - 3.5, canvas.Width(),
            QStringLiteral("For judging noise at work: LEX,8h is the exposure of the readings "
                           "spread over an 8-hour working day; the dose is the share of the daily "
                           "exposure a criterion allows that the readings took, and the projected "
                           "dose the share that 8 hours of the same noise would take."),
            Face::Small) +
        4;
    canvas.Text(0, y, QStringLiteral("LEX,8h"));
    canvas.Text(42, y, LevelDb(a.Lex8hDb, data.Unit));
    y += LINE_MM + 1;
    const std::vector<double> columns = {0, 100, 135};
    Row(canvas, y, columns,
        {QStringLiteral("Criterion"), QStringLiteral("Dose"), QStringLiteral("Projected 8 h")});
    y += LINE_MM;
    for (const CDose& dose : a.Doses) {
        QString criterion = Format("%g dB(A), exchange rate ", dose.Criterion.CriterionDb) +
                            Format("%g dB", dose.Criterion.ExchangeDb);
        if (dose.Criterion.ThresholdDb) {
            criterion += Format(", threshold %g dB(A)", *dose.Criterion.ThresholdDb);
        }
        Row(canvas, y, columns,
            {criterion, Format("%.1f %%", dose.DosePct), Format("%.1f %%", dose.Projected8hPct)});
        y += LINE_MM;
    }
    if (a.Doses.empty()) {
        canvas.Text(0, y, QString::fromLatin1(NOT_ENOUGH));
        y += LINE_MM;
    }
    return y + 4;
}

double SlidingLine(CReportCanvas& canvas, double y, const CSlidingMaximum& maximum, double limit,
                   const CReportData& data) {
    const QString name = QStringLiteral("Highest ") + Format("%g", maximum.WindowS / 60) +
                         QStringLiteral("-minute LAeq");
    canvas.Text(0, y, name);
    if (!maximum.LeqDb) {
        canvas.Text(58, y, QString::fromLatin1(data.Record.IsDBA ? NOT_ENOUGH : A_WEIGHTED_ONLY));
        return y + LINE_MM;
    }
    canvas.Text(58, y, LevelDb(maximum.LeqDb, data.Unit));
    canvas.Text(80, y, QStringLiteral("from ") + TimeText(maximum.StartMs, data.Assessment));
    const bool over = *maximum.LeqDb > limit;
    canvas.Text(138, y,
                Format("limit %g ", limit) + data.Unit +
                    (over ? QStringLiteral(": exceeded") : QStringLiteral(": not exceeded")));
    return y + LINE_MM;
}

void EventsPage(CReportCanvas& canvas, const CReportData& data) {
    const CAssessment& a = data.Assessment;
    const CAssessmentOptions& o = a.Options;
    double y = Heading(canvas, 8, QStringLiteral("Events"));
    y = canvas.Paragraph(0, y - 3.5, canvas.Width(),
                         QStringLiteral("The energy average over the loudest sliding half hour "
                                        "and hour, on which audience-protection limits are set; "
                                        "a window counts when readings with a level cover ") +
                             QString::number(SLIDING_COVERAGE_PCT) +
                             QStringLiteral(" % of its time at least. (The program's level "
                                            "window keeps its arithmetic average over two "
                                            "hours.)"),
                         Face::Small) +
        4;
    y = SlidingLine(canvas, y, a.Max30Min, o.Limit30MinDb, data);
    y = SlidingLine(canvas, y, a.Max60Min, o.Limit60MinDb, data) + 4;
    canvas.Text(0, y,
                QStringLiteral("Stretches at or above ") + Format("%g ", o.EventThresholdDb) +
                    data.Unit + Format(" for at least %g s: ", o.EventMinimumS) +
                    QString::number(a.Events.size()));
    y += LINE_MM + 1;
    if (a.Events.empty()) {
        return;
    }
    const std::vector<double> columns = {0, 45, 90, 120, 150};
    Row(canvas, y, columns,
        {QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Duration"),
         'L' + data.Weighting + QStringLiteral("eq"),
         'L' + data.Weighting + QStringLiteral("max")});
    y += LINE_MM;
    const int shown = std::min<int>(static_cast<int>(a.Events.size()), MOST_EVENT_ROWS);
    for (int e = 0; e < shown; ++e) {
        const CNoiseEvent& event = a.Events[static_cast<std::size_t>(e)];
        Row(canvas, y, columns,
            {TimeText(event.StartMs, a), TimeText(event.EndMs, a),
             Duration(static_cast<double>(event.EndMs - event.StartMs) / 1000.0),
             Format("%.1f", event.LeqDb), Format("%.1f", event.LmaxDb)},
            Face::Small);
        y += LINE_MM - 0.8;
    }
    if (static_cast<int>(a.Events.size()) > shown) {
        canvas.Text(0, y, QString::number(a.Events.size() - shown) + QStringLiteral(" more"),
                    Face::Small);
    }
}

// The frame, grid and level labels of a chart's plot.
struct CChartArea {
    double X = 0;
    double Y = 0;
    double Width = 0;
    double Height = 0;
    double Low = 0;
    double High = 1;

    double YOf(double value) const { return Y + Height - (value - Low) / (High - Low) * Height; }
};

void ChartFrame(CReportCanvas& canvas, const CChartArea& area, double step, const QString& unit) {
    for (double v = area.Low; v <= area.High + 1e-9; v += step) {
        const double y = area.YOf(v);
        canvas.Line(area.X, y, area.X + area.Width, y, QColor(220, 220, 220), 0.15);
        canvas.Text(area.X - 1.5, y + 1.2, Format("%g", v), Face::Small, Align::Right);
    }
    canvas.Text(area.X - 12, area.Y - 4, unit, Face::Small);
    canvas.Line(area.X, area.Y + area.Height, area.X + area.Width, area.Y + area.Height, Qt::black);
    canvas.Line(area.X, area.Y, area.X, area.Y + area.Height, Qt::black);
}

void HourlyChart(CReportCanvas& canvas, double top, const CReportData& data) {
    double y = Heading(canvas, top, 'L' + data.Weighting + QStringLiteral("eq of each hour"));
    const std::vector<CHourlyLeq>& hours = data.Statistics.Hourly;
    double low = 1e9;
    double high = -1e9;
    for (const CHourlyLeq& hour : hours) {
        if (hour.LeqDb) {
            low = std::min(low, std::max(*hour.LeqDb, LOWEST_CHART_DB));
            high = std::max(high, std::min(*hour.LeqDb, HIGHEST_CHART_DB));
        }
    }
    if (low > high) {
        canvas.Text(0, y + 4, QString::fromLatin1(NOT_ENOUGH));
        return;
    }
    const CChartArea area{14,
                          y + 4,
                          canvas.Width() - 16,
                          70,
                          std::floor(low / 10) * 10 - 10,
                          std::ceil(high / 10) * 10};
    ChartFrame(canvas, area, 10, data.Unit);
    const double fullHour = 3600.0 / data.Record.SampleInterval;
    const double slot = area.Width / static_cast<double>(hours.size());
    const int labelEvery = std::max(1, static_cast<int>(std::ceil(12.0 / slot)));
    for (std::size_t h = 0; h < hours.size(); ++h) {
        const double x = area.X + slot * static_cast<double>(h);
        if (hours[h].LeqDb) {
            const bool partial = hours[h].Count + 0.5 < fullHour;
            const double barTop = area.YOf(std::clamp(*hours[h].LeqDb, area.Low, area.High));
            canvas.Painter().fillRect(
                canvas.Rect(x + slot * 0.1, barTop, slot * 0.8, area.Y + area.Height - barTop),
                partial ? PARTIAL_BLUE : BAR_BLUE);
        }
        if (h % static_cast<std::size_t>(labelEvery) == 0) {
            canvas.Text(x + slot / 2, area.Y + area.Height + 4,
                        QString::fromStdString(FormatLocalTime(hours[h].Start, "%H")), Face::Small,
                        Align::Centre);
            canvas.Text(x + slot / 2, area.Y + area.Height + 7.5,
                        QString::fromStdString(FormatLocalTime(hours[h].Start, "%d/%m")),
                        Face::Small, Align::Centre);
        }
    }
    canvas.Paragraph(0, area.Y + area.Height + 9, canvas.Width(),
                     QStringLiteral("Hours of the local clock. Light bars: hours with readings for "
                                    "part of the hour only; their level is of those readings."));
}

void DistributionChart(CReportCanvas& canvas, double top, const CReportData& data) {
    double y = Heading(canvas, top, QStringLiteral("Distribution of the levels"));
    std::map<int, std::int64_t> classes;  // 1 dB classes by their lower edge
    std::int64_t total = 0;
    const std::int32_t count = data.Assessment.Readings;
    for (std::int32_t i = 0; i < count; ++i) {
        const float level = data.Record.Levels[static_cast<std::size_t>(i)];
        if (std::isfinite(level)) {
            ++classes[static_cast<int>(
                std::floor(std::clamp(DecimalOf(level), LOWEST_CHART_DB, HIGHEST_CHART_DB)))];
            ++total;
        }
    }
    if (total == 0) {
        canvas.Text(0, y + 4, QString::fromLatin1(NOT_ENOUGH));
        return;
    }
    const int first = classes.begin()->first;
    const int last = classes.rbegin()->first;
    std::int64_t most = 0;
    for (const auto& [edge, readings] : classes) {
        most = std::max(most, readings);
    }
    const double highestShare = std::ceil(100.0 * most / total / 5) * 5;
    const CChartArea area{14, y + 4, canvas.Width() - 30, 70, 0, std::max(highestShare, 5.0)};
    ChartFrame(canvas, area, area.High / 5, QStringLiteral("% of time"));
    const double slot = area.Width / (last - first + 1);
    const int labelEvery = std::max(1, static_cast<int>(std::ceil(8.0 / slot)));
    QPolygonF cumulative;
    std::int64_t below = 0;
    const auto cumulativeY = [&](double share) {
        return area.Y + area.Height - share / 100.0 * area.Height;
    };
    cumulative << canvas.At(area.X, cumulativeY(0));
    for (int edge = first; edge <= last; ++edge) {
        const double x = area.X + slot * (edge - first);
        const auto found = classes.find(edge);
        const std::int64_t readings = found == classes.end() ? 0 : found->second;
        const double share = 100.0 * readings / total;
        const double barTop = area.YOf(share);
        canvas.Painter().fillRect(
            canvas.Rect(x + slot * 0.1, barTop, slot * 0.8, area.Y + area.Height - barTop),
            BAR_BLUE);
        below += readings;
        cumulative << canvas.At(x + slot, cumulativeY(100.0 * below / total));
        if ((edge - first) % labelEvery == 0) {
            canvas.Text(x, area.Y + area.Height + 4, QString::number(edge), Face::Small,
                        Align::Centre);
        }
    }
    canvas.Painter().setPen(QPen(CURVE_RED, canvas.Px(0.4)));
    canvas.Painter().drawPolyline(cumulative);
    for (int share = 0; share <= 100; share += 20) {
        canvas.Text(area.X + area.Width + 1.5, cumulativeY(share) + 1.2,
                    QString::number(share) + '%', Face::Small);
    }
    canvas.Paragraph(0, area.Y + area.Height + 6, canvas.Width(),
                     QStringLiteral("Bars: the share of the time in each 1 dB class, by its lower "
                                    "edge in ") +
                         data.Unit +
                         QStringLiteral(". Red curve (right scale): the share of the time at or "
                                        "below the class's upper edge."));
}

bool DrawReport(QPagedPaintDevice& device, const CReportData& data) {
    CReportCanvas canvas(device);
    if (!canvas.Begun()) {
        return false;
    }
    canvas.Text(0, 8, QStringLiteral("Noise Assessment"), Face::Title);
    canvas.Text(canvas.Width(), 8,
                QString::fromStdString(FormatLocalTime(data.Record.StartTime, "%d/%m/%Y")),
                Face::Body, Align::Right);
    double y = MeasurementSection(canvas, 20, data);
    y = EnvironmentalSection(canvas, y, data);
    OccupationalSection(canvas, y, data);
    if (!canvas.NewPage()) {
        return false;
    }
    EventsPage(canvas, data);
    if (!canvas.NewPage()) {
        return false;
    }
    HourlyChart(canvas, 8, data);
    DistributionChart(canvas, 135, data);
    return canvas.End();
}

}  // namespace

bool WriteAssessmentPdf(std::ostream& out, const CMeasurementRecord& record,
                        const CAssessmentOptions& options) {
    const CReportData data{record, ComputeAcousticStatistics(record), AssessRecord(record, options),
                           QString::fromLatin1(record.IsDBA ? "A" : "C"),
                           QString::fromLatin1(record.IsDBA ? "dB(A)" : "dB(C)")};
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(QStringLiteral("Noise Assessment"));
        pdf.setCreator(QStringLiteral("Datalogger"));
        pdf.setResolution(600);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(MARGIN_MM, MARGIN_MM, MARGIN_MM, MARGIN_MM),
                                      QPageLayout::Millimeter));
        if (!DrawReport(pdf, data)) {
            return false;
        }
    }
    out.write(bytes.constData(), bytes.size());
    return out.good();
}
