// The "Loading..." window of a memory download.

#include <QProgressBar>

#include <gtest/gtest.h>

#include "dialogs/display/CLoadingDlg.h"
#include "tests/QtTestEnvironment.h"

namespace {

TEST(LoadingWindow, isAnOwnWindowWithCaptionAndNoCloseBox) {
    CLoadingDlg window;
    EXPECT_EQ(window.windowTitle(), "Loading...");
    EXPECT_EQ(window.parentWidget(), nullptr);
    EXPECT_TRUE(window.isWindow());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.ProgressBar().isTextVisible());
    // The bar fills the window.
    EXPECT_EQ(window.ProgressBar().geometry(), window.rect());
}

TEST(LoadingWindow, progress_followsTheBlocksRead) {
    CLoadingDlg window;
    window.SetRange(508);
    EXPECT_EQ(window.ProgressBar().minimum(), 0);
    EXPECT_EQ(window.ProgressBar().maximum(), 508);
    EXPECT_EQ(window.ProgressBar().value(), 0);
    window.SetPosition(1);
    EXPECT_EQ(window.ProgressBar().value(), 1);
    window.SetPosition(508);
    EXPECT_EQ(window.ProgressBar().value(), 508);
}

TEST(LoadingWindow, oneBlock_showsTheBarFullAfterIt) {
    CLoadingDlg window;
    window.SetRange(1);
    window.SetPosition(1);
    EXPECT_EQ(window.ProgressBar().value(), window.ProgressBar().maximum());
}

TEST(LoadingWindow, boundsBeyondSixteenBits_stayAtTheirLimit) {
    CLoadingDlg window;
    window.SetRange(70000);
    EXPECT_EQ(window.ProgressBar().maximum(), CLoadingDlg::MAX_BOUND);
    window.SetPosition(70000);
    EXPECT_EQ(window.ProgressBar().value(), CLoadingDlg::MAX_BOUND);
    window.SetPosition(-3);
    EXPECT_EQ(window.ProgressBar().value(), 0);
}

TEST(LoadingWindow, placement_centredAcrossTheViewThreeHeightsDown) {
    // Halves truncate: 801 / 2 = 400, 261 / 2 = 130.
    EXPECT_EQ(LoadingWindowPosition(QRect(100, 50, 801, 600), QSize(261, 40)), QPoint(370, 170));
    // A window wider than the view starts left of it.
    EXPECT_EQ(LoadingWindowPosition(QRect(0, 0, 100, 100), QSize(300, 30)), QPoint(-100, 90));

    // Owned by the main window, it stays a window of its own above it.
    QWidget mainWindow;
    mainWindow.show();
    CLoadingDlg window(&mainWindow);
    EXPECT_EQ(window.parentWidget(), &mainWindow);
    EXPECT_TRUE(window.isWindow());
    const QRect view(200, 100, 1000, 700);
    window.PlaceOver(view);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.OuterSize(), window.frameGeometry().size());
    EXPECT_EQ(window.frameGeometry().topLeft(), LoadingWindowPosition(view, window.OuterSize()));
}

}  // namespace
