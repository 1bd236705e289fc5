#include "app/CDTApp.h"

#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CStartupSplash.h"
#include "app/CommandLine.h"
#include "app/DesktopRegistration.h"
#include "app/OpenDocumentFile.h"
#include "app/ProgramResources.h"
#include "dialogs/display/CMessageBoxPrompt.h"
#include "document/CDTDoc.h"

CDTApp::CDTApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("datalogger"));
    setApplicationVersion(QStringLiteral("2.2"));
    setDesktopFileName(QStringLiteral("datalogger"));
    setWindowIcon(ProgramIcon());
}

int CDTApp::Run(const CStartOptions& options) {
    RegisterSoundFileType(applicationFilePath());

    CDTDoc doc;
    CMainFrame frame(doc, options.Simulate);
    QPointer<CStartupSplash> splash = new CStartupSplash(SplashPicture());
    const auto removeSplash = qScopeGuard([&splash] { delete splash; });
    connect(splash, &CStartupSplash::Dismissed, &frame, qOverload<>(&QWidget::update));

    if (options.File) {
        // The main window is not on the screen yet: the messages stand on their own.
        CMessageBoxPrompt startPrompt;
        if (!OpenDocumentFile(doc, *options.File, startPrompt)) {
            return EXIT_FAILURE;
        }
    }
    frame.InitialUpdate();
    frame.showMaximized();
    // Asked once the main window is on the screen, so that the question stands over it.
    QTimer::singleShot(0, &frame, &CMainFrame::OfferUnfinishedRun);
    return exec();
}
