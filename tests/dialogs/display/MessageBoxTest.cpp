// The program's message boxes: their caption, buttons, and a width that shows the caption.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "dialogs/display/CMessageBoxPrompt.h"
#include "tests/QtTestEnvironment.h"

namespace {

struct CShownBox {
    QString Caption;
    int Width = 0;
    int CaptionRoom = 0;
    int Buttons = 0;
};

// Runs `show` and looks at the box it brings up, then answers it with its first button.
CShownBox Inspect(const std::function<void()>& show) {
    CShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        shown = {box->windowTitle(), box->width(), CaptionRoom(*box),
                 static_cast<int>(box->buttons().size())};
        box->buttons().front()->click();
    });
    show();
    return shown;
}

TEST(MessageBoxes, shortTexts_stillShowTheWholeCaption) {
    CMessageBoxPrompt prompt;
    const struct {
        const char* Name;
        std::function<void()> Show;
        int Buttons;
    } cases[] = {
        {"message", [&prompt] { prompt.Message("Invalid Format!", PromptIcon::None); }, 1},
        {"question", [&prompt] { prompt.AskYesNo("Go?", PromptIcon::Question); }, 2},
    };
    for (const auto& c : cases) {
        const CShownBox shown = Inspect(c.Show);
        EXPECT_EQ(shown.Caption, "Datalogger") << c.Name;
        EXPECT_EQ(shown.Buttons, c.Buttons) << c.Name;
        EXPECT_GT(shown.CaptionRoom, 140) << c.Name;
        EXPECT_GE(shown.Width, shown.CaptionRoom) << c.Name;
    }
}

}  // namespace
