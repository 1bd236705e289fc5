#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

// The picture shown while the program starts: a borderless window centred on the screen that
// goes after 200 ms, or at the first key or mouse-button press anywhere in the program,
// which it swallows so that the press does nothing else. It deletes itself when it goes.
class CStartupSplash : public QWidget {
    Q_OBJECT
public:
    explicit CStartupSplash(const QPixmap& picture);
    ~CStartupSplash() override;

signals:
    void Dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Dismiss();

    QPixmap m_picture;
    QTimer m_timer;
    bool m_dismissed = false;
};
