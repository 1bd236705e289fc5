#include "app/CLiveLevelWindowCommand.h"

#include "dialogs/display/CLiveLevelDlg.h"
#include "document/CDTDoc.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"

namespace {

// In the settings file, in a section of its own.
constexpr const char* SECTION = "Live Level";
constexpr const char* OPEN_KEY = "Open";

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
        } else if (change == DocumentChange::RunEnded && m_window) {
            m_window->ShowRunEnded(m_doc.Record());
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
    // A setting that cannot be written only means the window does not come back by itself.
    UpdateSettingsProfile([open](CProfile& profile) { profile.SetInt(SECTION, OPEN_KEY, open); });
}

bool CLiveLevelWindowCommand::Remembered() const {
    return ReadSettingsFile().GetInt(SECTION, OPEN_KEY, 0) != 0;
}
