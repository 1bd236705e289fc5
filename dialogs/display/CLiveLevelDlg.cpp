#include "dialogs/display/CLiveLevelDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

#include "document/CMeasurementRecord.h"

namespace {

constexpr int LEVEL_POINT_SIZE = 48;
constexpr const char* NO_FIGURE = "----";
constexpr const char* ENDED_STYLE = "color: #6e6e6e";

QString ElapsedText(double seconds) {
    const auto whole = static_cast<long long>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

CLiveLevelDlg::CLiveLevelDlg(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Live Level"));
    auto* layout = new QVBoxLayout(this);
    auto* level = new QLabel(QString::fromLatin1(NO_FIGURE), this);
    level->setObjectName(QStringLiteral("Level"));
    QFont large = level->font();
    large.setPointSize(LEVEL_POINT_SIZE);
    large.setBold(true);
    level->setFont(large);
    level->setAlignment(Qt::AlignCenter);
    layout->addWidget(level);
    auto* unit = new QLabel(this);
    unit->setObjectName(QStringLiteral("Unit"));
    unit->setAlignment(Qt::AlignCenter);
    layout->addWidget(unit);
    auto* form = new QFormLayout;
    for (const char* name : {"Leq", "Lmax", "Lmin", "Elapsed", "Readings", "Alarm"}) {
        auto* value = new QLabel(QString::fromLatin1(NO_FIGURE), this);
        value->setObjectName(QString::fromLatin1(name));
        form->addRow(QString::fromLatin1(name) + QLatin1Char(':'), value);
    }
    layout->addLayout(form);
}

QLabel* CLiveLevelDlg::Figure(const QString& name) const {
    return findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
}

QString CLiveLevelDlg::FigureText(const QString& name) const {
    const QLabel* figure = Figure(name);
    return figure ? figure->text() : QString();
}

void CLiveLevelDlg::Restart() {
    m_taken = 0;
    m_withLevel = 0;
    m_energySum = 0.0;
    for (const char* name : {"Level", "Leq", "Lmax", "Lmin", "Elapsed", "Readings", "Alarm"}) {
        Figure(QString::fromLatin1(name))->setText(QString::fromLatin1(NO_FIGURE));
    }
    Figure(QStringLiteral("Unit"))->clear();
    Figure(QStringLiteral("Level"))->setStyleSheet(QString());
    Figure(QStringLiteral("Alarm"))->setStyleSheet(QString());
}

void CLiveLevelDlg::ShowRunEnded(const CMeasurementRecord& record) {
    const std::int32_t count = ReadingCount(record);
    const auto ended = record.StartTime +
                       static_cast<std::time_t>(count * static_cast<double>(record.SampleInterval));
    SetFigure("Level", QStringLiteral("Stopped"));
    SetFigure("Unit",
              QStringLiteral("Run ended %1").arg(QString::fromStdString(StartTimeText(ended))));
    SetFigure("Alarm", QStringLiteral("run ended"));
    for (const char* name : {"Level", "Alarm"}) {
        Figure(QString::fromLatin1(name))->setStyleSheet(QString::fromLatin1(ENDED_STYLE));
    }
}

void CLiveLevelDlg::ShowNewReadings(const CMeasurementRecord& record, AlarmIndicatorState alarm) {
    const std::int32_t count = ReadingCount(record);
    if (count < m_taken) {
        Restart();  // another record
    }
    for (; m_taken < count; ++m_taken) {
        const float level = record.Levels[static_cast<std::size_t>(m_taken)];
        if (!std::isfinite(level)) {
            continue;  // a reading the run could not take in time
        }
        m_energySum += std::pow(10.0, level / 10.0);
        m_max = m_withLevel == 0 ? level : std::max(m_max, level);
        m_min = m_withLevel == 0 ? level : std::min(m_min, level);
        ++m_withLevel;
    }
    if (count == 0) {
        return;
    }
    const auto text = [](double level) { return QString::fromStdString(LevelText(level, 1)); };
    SetFigure("Level", text(record.Levels[static_cast<std::size_t>(count - 1)]));
    SetFigure("Unit", QString::fromStdString(UnitText(record.IsDBA)));
    if (m_withLevel > 0) {
        SetFigure("Leq", text(10.0 * std::log10(m_energySum / m_withLevel)));
        SetFigure("Lmax", text(m_max));
        SetFigure("Lmin", text(m_min));
    }
    SetFigure("Elapsed", ElapsedText(count * static_cast<double>(record.SampleInterval)));
    SetFigure("Readings", QString::number(count));
    static constexpr struct {
        const char* Text;
        const char* Colour;
    } ALARMS[] = {{"normal", "#1a7f37"}, {"HIGH", "#c0392b"}, {"LOW", "#1f5fbf"}};
    const auto& shown = ALARMS[static_cast<int>(alarm)];
    // A new style sheet restyles the label: only when the state changes.
    if (SetFigure("Alarm", QString::fromLatin1(shown.Text))) {
        Figure(QStringLiteral("Alarm"))
            ->setStyleSheet(
                QStringLiteral("font-weight: bold; color: %1").arg(QLatin1String(shown.Colour)));
    }
}

bool CLiveLevelDlg::SetFigure(const char* name, const QString& text) {
    QLabel* figure = Figure(QString::fromLatin1(name));
    // A text set again would lay the window out and paint it for nothing.
    if (figure->text() == text) {
        return false;
    }
    figure->setText(text);
    return true;
}
