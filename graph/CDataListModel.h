#pragma once

#include <QAbstractTableModel>

class CDTDoc;

// The readings of the current measurement as a table (Qt Core only, so that the printed list
// report can read it without a window). No text is stored: each cell is made when it is
// asked for. The row count is the record's count as of the last time the list took it, so a
// view asking for a row the record no longer holds gets empty texts, never a read past the
// record.
class CDataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CDataListModel(CDTDoc& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The list is about to paint: if the record was replaced since the count was last taken
    // (the document's ListCountStale), the rows become the record's readings.
    void TakeStaleCount();

private:
    CDTDoc& m_doc;
    int m_rows = 0;
};
