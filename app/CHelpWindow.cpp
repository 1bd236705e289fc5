#include "app/CHelpWindow.h"

#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/CHelpFile.h"

namespace {

constexpr QSize INITIAL_SIZE(820, 640);
const QString TITLE = QStringLiteral("Datalogger Help");

// Pages are named "help:/PAGE.html"; links between them resolve against that.
QUrl PageUrl(const char* page) {
    return QUrl(QStringLiteral("help:") + QString::fromLatin1(page));
}

// A browser whose pages come from the help file.
class CHelpBrowser : public QTextBrowser {
public:
    CHelpBrowser(const CHelpFile& file, QWidget* parent) : QTextBrowser(parent), m_file(file) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() != QStringLiteral("help")) {
            return QTextBrowser::loadResource(type, name);
        }
        const auto bytes = m_file.Read(name.path().toStdString());
        return bytes ? QVariant(QByteArray::fromStdString(*bytes)) : QVariant();
    }

private:
    const CHelpFile& m_file;
};

}  // namespace

CHelpWindow::CHelpWindow(std::unique_ptr<CHelpFile> file)
    : m_file(std::move(file)), m_browser(new CHelpBrowser(*m_file, this)) {
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(TITLE);
    resize(INITIAL_SIZE);

    auto* toolBar = new QToolBar(this);
    toolBar->addAction(QStringLiteral("Contents"), m_browser, &QTextBrowser::home);
    QAction* back = toolBar->addAction(QStringLiteral("Back"), m_browser, &QTextBrowser::backward);
    QAction* forward =
        toolBar->addAction(QStringLiteral("Forward"), m_browser, &QTextBrowser::forward);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString page = m_browser->documentTitle();
        setWindowTitle(page.isEmpty() || page == TITLE ? TITLE
                                                       : TITLE + QStringLiteral(" - ") + page);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_browser);

    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(PageUrl(HELP_CONTENTS_PAGE), QTextDocument::HtmlResource);
}

CHelpWindow::~CHelpWindow() {
    delete m_browser;  // it reads the file, which goes before the window's children
}
