#include "graph/CDataListModel.h"

#include <algorithm>

#include "document/CDTDoc.h"
#include "document/DataListRows.h"

namespace {

constexpr Qt::Alignment LEFT_ALIGNED = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

CDataListModel::CDataListModel(CDTDoc& doc, QObject* parent)
    : QAbstractTableModel(parent), m_doc(doc) {}

int CDataListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int CDataListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : LIST_COLUMNS;
}

QVariant CDataListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= LIST_COLUMNS) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(LEFT_ALIGNED);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const auto texts = ListRowTexts(m_doc.Record(), index.row());
    return QString::fromStdString(texts[static_cast<std::size_t>(index.column())]);
}

QVariant CDataListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= LIST_COLUMNS) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(LEFT_ALIGNED);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromLatin1(LIST_HEADERS[static_cast<std::size_t>(section)]);
}

void CDataListModel::TakeStaleCount() {
    if (!m_doc.ListCountStale) {
        return;
    }
    beginResetModel();
    m_rows = std::max(m_doc.Record().SampleCount, 0);
    endResetModel();
    m_doc.ListCountStale = false;
}
