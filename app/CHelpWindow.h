#pragma once

#include <memory>

#include <QWidget>

class CHelpFile;
class QTextBrowser;

// The help window: the pages of the help file, with Contents, Back and Forward. It is a window
// of its own, not kept above the main window, and the program ends with the main window even
// while it is open.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(std::unique_ptr<CHelpFile> file);
    ~CHelpWindow() override;

    QTextBrowser& Browser() { return *m_browser; }

private:
    std::unique_ptr<CHelpFile> m_file;
    QTextBrowser* m_browser;
};
