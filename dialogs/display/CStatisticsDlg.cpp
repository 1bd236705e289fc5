#include "dialogs/display/CStatisticsDlg.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "export/StatisticsFields.h"

namespace {

constexpr int HOURLY_COLUMNS = 3;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CStatisticsDlg::CStatisticsDlg(QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_range(new QLabel(this)),
      m_fields(new QWidget(this)),
      m_hourly(new QTableWidget(0, HOURLY_COLUMNS, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Statistics"));
    auto* fieldGrid = new QGridLayout(m_fields);
    fieldGrid->setContentsMargins(0, 0, 0, 0);
    fieldGrid->setColumnStretch(1, 1);
    m_hourly->setAccessibleName(QStringLiteral("Per clock hour"));
    m_hourly->verticalHeader()->hide();
    m_hourly->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_hourly->horizontalHeader()->setStretchLastSection(true);
    m_hourly->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_range);
    layout->addWidget(m_fields);
    layout->addWidget(new QLabel(QStringLiteral("Per clock hour:"), this));
    layout->addWidget(m_hourly, 1);
    resize(420, 640);  // the hourly table whole, without a sideways scroll bar
}

void CStatisticsDlg::ShowReadings(const CMeasurementRecord& record, std::int32_t first,
                                  std::int32_t count) {
    const CAcousticStatistics statistics = ComputeAcousticStatistics(record, first, count);
    m_range->setText(statistics.Count == 0 ? QStringLiteral("No readings shown")
                                           : QStringLiteral("Readings %1 to %2 of %3")
                                                 .arg(first + 1)
                                                 .arg(first + statistics.Count)
                                                 .arg(record.SampleCount));

    // The labels stay; only the values change as the graph moves.
    auto* grid = static_cast<QGridLayout*>(m_fields->layout());
    const std::vector<CStatisticsField> fields = StatisticsFields(statistics);
    for (std::size_t row = 0; row < fields.size(); ++row) {
        const int r = static_cast<int>(row);
        if (grid->itemAtPosition(r, 0) == nullptr) {
            grid->addWidget(new QLabel(m_fields), r, 0);
            auto* value = new QLabel(m_fields);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(value, r, 1);
        }
        static_cast<QLabel*>(grid->itemAtPosition(r, 0)->widget())
            ->setText(Text(fields[row].Label) + QLatin1Char(':'));
        // Beside the clock times of the hourly table a duration reads as one in words.
        const CStatisticsField& field = fields[row];
        const bool duration = field.Type == CStatisticsField::Kind::Duration && field.Value;
        static_cast<QLabel*>(grid->itemAtPosition(r, 1)->widget())
            ->setText(Text(duration ? DurationWordsText(*field.Value) : field.Text));
    }

    m_hourly->setHorizontalHeaderLabels(
        {QStringLiteral("Hour"), QStringLiteral("Readings"), Text(LeqLabel(statistics))});
    m_hourly->setRowCount(static_cast<int>(statistics.Hourly.size()));
    for (std::size_t row = 0; row < statistics.Hourly.size(); ++row) {
        const CHourlyLeq& hour = statistics.Hourly[row];
        const QString texts[HOURLY_COLUMNS] = {Text(StartTimeText(hour.Start)),
                                               QString::number(hour.Count),
                                               Text(LevelFieldText(hour.LeqDb))};
        for (int column = 0; column < HOURLY_COLUMNS; ++column) {
            auto* item = m_hourly->item(static_cast<int>(row), column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                m_hourly->setItem(static_cast<int>(row), column, item);
            }
            item->setText(texts[column]);
        }
    }
}

QString CStatisticsDlg::RangeText() const {
    return m_range->text();
}

QString CStatisticsDlg::ValueText(const QString& label) const {
    const auto* grid = static_cast<const QGridLayout*>(m_fields->layout());
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QLayoutItem* name = grid->itemAtPosition(row, 0);
        if (name &&
            static_cast<const QLabel*>(name->widget())->text() == label + QLatin1Char(':')) {
            return static_cast<const QLabel*>(grid->itemAtPosition(row, 1)->widget())->text();
        }
    }
    return {};
}
