#pragma once

#include <QDialog>

#include "dialogs/display/DialogUnits.h"

class QGroupBox;
class QLabel;
class QPushButton;

// A dialog laid out from a window template: controls at positions in dialog units of the
// template's font (11 points), the shared look, and OK and Cancel as picture buttons. OK is
// the default button and runs OnOk(); Cancel closes the dialog and changes nothing.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    QPushButton& OkButton() { return *m_ok; }
    QPushButton& CancelButton() { return *m_cancel; }

protected:
    // A dialog of `size` dialog units in the font `family`.
    CTemplateDialog(const QString& title, const QString& family, QSize size, QWidget* parent);

    // A rectangle of the template in pixels.
    QRect Place(int x, int y, int width, int height) const;
    QGroupBox* AddGroup(const QString& caption, const QRect& place);
    QLabel* AddLabel(const QString& text, const QRect& place);
    void PlaceButtons(const QRect& ok, const QRect& cancel);

    virtual void OnOk() = 0;

private:
    CDialogUnits m_units;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
