// The look the dialogs share: olive text on light grey for the dialog and its controls, bold
// group captions over controls in the dialog's own font, and OK and Cancel as pictures.

#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "dialogs/display/CAxisSetupDlg.h"
#include "dialogs/display/CColorSetupDlg.h"
#include "dialogs/display/CViewSetupDlg.h"
#include "dialogs/display/DialogLook.h"
#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"
#include "tests/QtTestEnvironment.h"

namespace {

TEST(DialogLook, everyDisplayDialogHasTheSharedColoursCaptionsAndPictureButtons) {
    CDTDoc doc;
    CRecordingPrompt prompt;
    CColorSetupDlg color(CGraphColorIndexes{});
    CAxisSetupDlg axis(CAxisRange{20, 140, 1, 1}, doc, prompt);
    CViewSetupDlg view(CViewSettings{});
    const std::pair<QDialog*, int> dialogs[] = {{&color, 1}, {&axis, 2}, {&view, 0}};
    for (const auto& [dialog, groups] : dialogs) {
        const QString name = dialog->windowTitle();
        QList<QWidget*> widgets = dialog->findChildren<QWidget*>();
        widgets << dialog;
        for (QWidget* widget : widgets) {
            EXPECT_EQ(widget->palette().color(QPalette::WindowText), DIALOG_TEXT)
                << name.toStdString();
            EXPECT_EQ(widget->palette().color(QPalette::Window), DIALOG_BACKGROUND);
            EXPECT_EQ(widget->font().bold(), qobject_cast<QGroupBox*>(widget) != nullptr)
                << name.toStdString() << " " << widget->metaObject()->className();
        }
        const auto captions = dialog->findChildren<QGroupBox*>();
        EXPECT_EQ(captions.size(), groups) << name.toStdString();
        for (const QGroupBox* caption : captions) {
            EXPECT_EQ(caption->font().pixelSize(), 14);
        }
        QStringList pictures;
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
            EXPECT_TRUE(button->text().isEmpty());
            EXPECT_FALSE(button->icon().pixmap(60, 22).isNull());
            pictures << button->accessibleName();
        }
        EXPECT_EQ(pictures, QStringList({"OK", "Cancel"})) << name.toStdString();
        // A click anywhere on a control reaches it: no group box or frame stands in front.
        for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const bool frames = qobject_cast<QGroupBox*>(control) ||
                                control->metaObject() == &QFrame::staticMetaObject;
            const QRect area = control->geometry();
            for (const QPoint& point : {area.center(), area.topLeft() + QPoint(2, 2)}) {
                QWidget* hit = dialog->childAt(point);
                EXPECT_TRUE(frames || hit == control || control->isAncestorOf(hit))
                    << name.toStdString() << " " << control->metaObject()->className();
            }
        }
    }
}

TEST(DialogLook, controlsInsideAGroupKeepTheDialogsFont) {
    QDialog dialog;
    auto* group = new QGroupBox(QStringLiteral("Sampling Setup"), &dialog);
    auto* edit = new QLineEdit(group);
    ApplyDialogLook(dialog);
    SetCaptionFont(*group);
    EXPECT_TRUE(group->font().bold());
    EXPECT_FALSE(edit->font().bold());
    EXPECT_EQ(edit->font().pointSize(), dialog.font().pointSize());
    EXPECT_EQ(edit->font().family(), "Arial");
}

}  // namespace
