#include "dialogs/display/DialogLook.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/display/PanelColors.h"
#include "resources/LoadResources.h"

namespace {

constexpr int CAPTION_PIXELS = 14;
constexpr QSize PICTURE_SIZE(60, 22);

}  // namespace

void ApplyDialogLook(QWidget& dialog, const QFont& font) {
    ApplyPanelColors(dialog, DIALOG_TEXT, DIALOG_BACKGROUND);
    dialog.setFont(font);
}

void MakeDisplayField(QLineEdit& field, QLabel& label) {
    field.setReadOnly(true);
    field.setFocusPolicy(Qt::ClickFocus);
    label.setBuddy(&field);
}

void SetCaptionFont(QGroupBox& group) {
    // A group box passes its font on to the controls inside it, the weight too unless their
    // own font sets it.
    QFont inside = group.font();
    inside.setWeight(inside.weight());
    for (QWidget* control : group.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        control->setFont(inside);
    }
    QFont caption(QStringLiteral("Arial"));
    caption.setPixelSize(CAPTION_PIXELS);
    caption.setBold(true);
    caption.setStyleHint(QFont::SansSerif);
    group.setFont(caption);
}

QPushButton* MakePictureButton(DialogPicture picture, QWidget* parent) {
    LoadProgramResources();
    const bool ok = picture == DialogPicture::Ok;
    auto* button = new QPushButton(parent);
    button->setIcon(
        QIcon(ok ? QStringLiteral(":/buttons/ok.png") : QStringLiteral(":/buttons/cancel.png")));
    button->setIconSize(PICTURE_SIZE);
    button->setAccessibleName(ok ? QStringLiteral("OK") : QStringLiteral("Cancel"));
    return button;
}
