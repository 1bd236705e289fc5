#pragma once

#include <QDialog>
#include <QTimer>

#include "logger/CLoggerLink.h"

class CBridge;
class CDTDoc;
class CNumberEdit;
class CPrompt;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct CFrameSettings;

// The Datalogger Setup dialog: edits the logging parameters of the next run, waits for a
// logger (polling once a second), and on Setup sends them with the computer's clock. The
// main window keeps one for its whole life, so the connected state and the points set aside
// by RT mode carry over from one opening to the next.
//
// Every number is limited before it is shown or sent, including what a hand-edited settings
// file holds.
class CSetupDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int POLL_MS = 1000;

    // `settings` are the main window's current settings: read at every opening, written by
    // Setup. Everything given outlives the dialog.
    CSetupDlg(CFrameSettings& settings, CDTDoc& doc, CBridge& bridge, CPrompt& prompt,
              QWidget* parent = nullptr);

    // Shows the dialog from the settings until the user leaves it; true after a setup that
    // the logger took.
    bool DoModal();
    // The opening without the event loop: the controls from the settings, the poll started.
    void Open();

    // One presence poll, as the timer makes it every second.
    void Poll();
    // The Setup button.
    void OnSetup();

    bool Connected() const { return m_connected; }
    bool RealTimeMode() const { return m_mode == 1; }
    QString SamplingTimeText() const;
    QString StatusText() const;

    QComboBox& RateList() { return *m_rate; }
    CNumberEdit& PointsEdit() { return *m_points; }
    CNumberEdit& AlarmHighEdit() { return *m_alarmHigh; }
    CNumberEdit& AlarmLowEdit() { return *m_alarmLow; }
    // A radio button by its text: "STOR", "RT", "dBA", "FAST", "Manual", "10s", "No Light", ...
    QRadioButton& Radio(const QString& text) const;
    QPushButton& DefaultButton() { return *m_defaultButton; }
    QPushButton& SetupButton() { return *m_setupButton; }
    const QTimer& PresenceTimer() const { return m_presenceTimer; }

private:
    QWidget* BuildSamplingGroup();
    QWidget* BuildAlarmGroup();
    QWidget* BuildLedGroup();
    QWidget* BuildModeRadios();
    QRadioButton* AddRadio(const QString& text, std::function<void()> chosen);
    void ConnectHandlers();

    void ShowFields();
    void ShowSamplingTime();
    // The 50 ms rate runs in real time only and without a time weighting.
    void LockForFastestRate();
    void OnRateChosen(int index);
    void OnPointsEdited();
    void OnAlarmEdited(CNumberEdit& edit);
    void OnStorChosen();
    void OnRtChosen();
    void OnDefault();
    void StoreFields();

    CFrameSettings& m_settings;
    CDTDoc& m_doc;
    CPrompt& m_prompt;
    CLoggerLink m_link;
    QTimer m_presenceTimer;

    int m_mode = 0;       // 0 STOR, 1 RT
    int m_ledCycle = 10;  // 10, 20, 30, or 0 for no light
    int m_autoStart = 0;  // 0 manual, 1 automatic
    int m_weighting = 1;  // 1 dBA, 0 dBC
    int m_speed = 1;      // 1 FAST, 0 SLOW
    // The points text RT mode lowered to 10000, given back by STOR; empty otherwise.
    QString m_savedPoints;
    // Whether the latest poll found a logger; kept from one opening to the next.
    bool m_connected = false;

    QComboBox* m_rate = nullptr;
    CNumberEdit* m_points = nullptr;
    QLineEdit* m_samplingTime = nullptr;
    CNumberEdit* m_alarmLow = nullptr;
    CNumberEdit* m_alarmHigh = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_defaultButton = nullptr;
    QPushButton* m_setupButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    std::vector<QRadioButton*> m_radios;
};
