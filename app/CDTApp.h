#pragma once

#include <QApplication>

struct CStartOptions;

// The application: start-up, the message loop and the end of the program.
class CDTApp : public QApplication {
public:
    CDTApp(int& argc, char** argv);

    // Registers the .sound type, builds the main window under the splash picture, opens the
    // file named on the command line, shows the window maximised and runs until it closes.
    // Returns the program's exit status; a named file that cannot be read ends the start.
    int Run(const CStartOptions& options);
};
