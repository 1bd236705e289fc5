#include "app/CLiveLevelWindowCommand.h"

#include <QSettings>

#include "dialogs/display/CLiveLevelDlg.h"
#include "document/CDTDoc.h"
#include "platform/ProgramDirectory.h"

namespace {

const QString OPEN_KEY = QStringLiteral("LiveLevel/Open");

}  // namespace

CLiveLevelWindowCommand::CLiveLevelWindowCommand(CDTDoc& doc, QWidget& owner)
    : m_doc(doc), m_owner(owner) {
    doc.AddView([this](DocumentChange change) {
        if (change == DocumentChange::RealTimeStarted) {
            if (m_window) {
                m_window->Restart();
            } else if (Remembered()) {
                Open();
            }
        } else if (change == DocumentChange::ReadingAppended && m_window) {
            m_window->ShowNewReadings(m_doc.Record(), m_doc.RealTimeAlarm);
        }
    });
}

CLiveLevelDlg* CLiveLevelWindowCommand::Window() const {
    return m_window;
}

void CLiveLevelWindowCommand::Toggle() {
    if (m_window) {
        m_window->close();
        Remember(false);
        return;
    }
    Open();
    Remember(true);
}

void CLiveLevelWindowCommand::Open() {
    m_window = new CLiveLevelDlg(&m_owner);
    m_window->ShowNewReadings(m_doc.Record(), m_doc.RealTimeAlarm);
    m_window->move(m_owner.mapToGlobal(QPoint(60, 120)));
    m_window->show();
}

void CLiveLevelWindowCommand::Remember(bool open) const {
    if (const auto file = ProgramFile("LiveLevel.ini")) {
        QSettings(QString::fromStdString(file->string()), QSettings::IniFormat)
            .setValue(OPEN_KEY, open);
    }
}

bool CLiveLevelWindowCommand::Remembered() const {
    const auto file = ProgramFile("LiveLevel.ini");
    return file && QSettings(QString::fromStdString(file->string()), QSettings::IniFormat)
                       .value(OPEN_KEY, false)
                       .toBool();
}
