#include "dialogs/display/CTemplateDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/display/DialogLook.h"

namespace {

constexpr int TEMPLATE_POINTS = 11;

QFont TemplateFont(const QString& family) {
    QFont font(family, TEMPLATE_POINTS);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

CTemplateDialog::CTemplateDialog(const QString& title, const QString& family, QSize size,
                                 QWidget* parent)
    : QDialog(parent),
      m_units(TemplateFont(family)),
      m_ok(MakePictureButton(DialogPicture::Ok, this)),
      m_cancel(MakePictureButton(DialogPicture::Cancel, this)) {
    ApplyDialogLook(*this, TemplateFont(family));
    setWindowTitle(title);
    setFixedSize(Place(0, 0, size.width(), size.height()).size());
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QRect CTemplateDialog::Place(int x, int y, int width, int height) const {
    return m_units.ToPixels(x, y, width, height);
}

QGroupBox* CTemplateDialog::AddGroup(const QString& caption, const QRect& place) {
    auto* group = new QGroupBox(caption, this);
    group->setGeometry(place);
    SetCaptionFont(*group);
    // It frames controls that are its siblings, as a template's group box does: it stands
    // behind them, or it would take their clicks.
    group->lower();
    return group;
}

QLabel* CTemplateDialog::AddLabel(const QString& text, const QRect& place) {
    auto* label = new QLabel(text, this);
    label->setGeometry(place);
    return label;
}

void CTemplateDialog::PlaceButtons(const QRect& ok, const QRect& cancel) {
    m_ok->setGeometry(ok);
    m_cancel->setGeometry(cancel);
}
