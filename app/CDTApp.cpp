#include "app/CDTApp.h"

#include <QPointer>
#include <QScopeGuard>

#include "app/CMainFrame.h"
#include "app/CStartupSplash.h"
#include "app/CommandLine.h"
#include "app/DesktopRegistration.h"
#include "app/ProgramResources.h"
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

    // The main window comes first, so that a message about the file named stands over it
    // rather than alone in a corner of the screen.
    frame.showMaximized();
    if (options.File && !frame.OpenFileAtStart(*options.File)) {
        return EXIT_FAILURE;
    }
    frame.InitialUpdate();
    frame.RunAfterFirstPaint([&frame] { frame.OfferUnfinishedRun(); });
    return exec();
}
