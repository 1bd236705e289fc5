#pragma once

#include <QMainWindow>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "station/ArchiveRange.h"

class CArchiveGraph;
class CArchiveOverview;
class CFileChooser;
class CPrompt;
class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// A station's archive in a window of its own: the days at a glance, the graph of its readings
// across runs, the figures of a range chosen by dragging and its export. It only reads: a
// monitor may go on writing the archive meanwhile, and with Follow on the newest readings show
// as they come while the view is at the archive's end.
class CArchiveWindow : public QMainWindow {
    Q_OBJECT
public:
    // The window of the archive, or empty with `refusal` saying why it cannot be read.
    static std::unique_ptr<CArchiveWindow> Open(const std::filesystem::path& file,
                                                CFileChooser& files, CPrompt& prompt,
                                                std::string& refusal);
    ~CArchiveWindow() override;

    CArchiveGraph& Graph() { return *m_graph; }
    CArchiveOverview& Overview() { return *m_overview; }
    QAction& FollowAction() { return *m_follow; }
    // The range chosen last (by a drag or a day), its figures as shown, and why they could not
    // be had.
    const std::optional<CArchiveRange>& Chosen() const { return m_chosen; }
    const std::optional<CArchiveFigures>& Figures() const { return m_figures; }
    QString FiguresText() const;

    // Reads the archive's runs again and shows what a monitor added: what the follow timer does.
    void LookForNewReadings();
    static constexpr int FOLLOW_PERIOD_MS = 1000;

    // Chooses the range typed in the From and To fields, read as `archive stats --from --to`
    // reads them (an empty field: the archive's start or end); a time that cannot be read, or
    // a From not before To, is said where the figures show.
    void ChooseTyped();
    QLineEdit& FromField() { return *m_fromField; }
    QLineEdit& ToField() { return *m_toField; }

    void ExportCsv();
    void ExportSound();
    void ExportWorkbook();
    void ExportAssessmentReport();

private:
    CArchiveWindow(std::filesystem::path file, std::unique_ptr<CArchiveDatabase> db,
                   const CArchiveRange& span, CFileChooser& files, CPrompt& prompt);
    void Choose(const CArchiveRange& range);
    // The range an export writes: the one chosen, else the view.
    CArchiveRange ExportRange() const;
    void ReadDays();
    // The export range's readings as one run's record, as a measurement window holds them; or
    // empty once the user is told that `what` holds one run's readings within a file's limit.
    std::optional<CMeasurementRecord> RangeRecord(const std::string& what);

    std::filesystem::path m_file;
    std::unique_ptr<CArchiveDatabase> m_db;
    CFileChooser& m_files;
    CPrompt& m_prompt;
    CAlarmSettings m_alarms;
    CArchiveRange m_span;
    CArchiveGraph* m_graph = nullptr;
    CArchiveOverview* m_overview = nullptr;
    QPlainTextEdit* m_figuresView = nullptr;
    QLabel* m_readout = nullptr;
    QLineEdit* m_fromField = nullptr;
    QLineEdit* m_toField = nullptr;
    QAction* m_follow = nullptr;
    QTimer m_followTimer;
    std::optional<CArchiveRange> m_chosen;
    std::optional<CArchiveFigures> m_figures;
};
