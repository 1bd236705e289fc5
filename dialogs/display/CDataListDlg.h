#pragma once

#include <functional>

#include <QDialog>

class QAbstractItemModel;
class QTableView;

// "Sound Data List": a resizable window whose table of readings fills it, four left-aligned
// columns with full-row selection and grid lines. The table holds no texts; it asks its model
// for the rows it draws, at one uniform row height, so a full logger memory opens at once.
// Closing it ends it with result 238; its owner then lets it go.
class CDataListDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int RESULT = 238;

    // `rows` outlives the window; `beforePaint` runs each time the window is about to paint.
    CDataListDlg(QAbstractItemModel& rows, std::function<void()> beforePaint,
                 QWidget* parent = nullptr);

    QTableView& Table() { return *m_table; }

    // Escape and the close box close the list.
    void reject() override;

signals:
    // The window moved: what it uncovered needs repainting.
    void Moved();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    std::function<void()> m_beforePaint;
    QTableView* m_table;
};
