#include "app/CStartupSplash.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int SHOW_MS = 200;

}  // namespace

CStartupSplash::CStartupSplash(const QPixmap& picture)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(picture) {
    setFixedSize(m_picture.deviceIndependentSize().toSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CStartupSplash::Dismiss);
    qApp->installEventFilter(this);
    show();
    m_timer.start(SHOW_MS);
}

CStartupSplash::~CStartupSplash() {
    qApp->removeEventFilter(this);
}

bool CStartupSplash::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claimed so that no shortcut fires; the key press that follows dismisses.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            Dismiss();
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void CStartupSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void CStartupSplash::Dismiss() {
    if (m_dismissed) {
        return;
    }
    m_dismissed = true;
    qApp->removeEventFilter(this);
    m_timer.stop();
    hide();
    emit Dismissed();
    deleteLater();
}
