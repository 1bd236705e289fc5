#pragma once

#include <functional>

class QPrinter;
class QWidget;

// Where the print commands ask the user. The program shows Qt's print, print preview and page
// setup dialogs; tests put scripted answers in their place.
class CPrintDialogs {
public:
    virtual ~CPrintDialogs() = default;
    // The print dialog for a report of `pageCount` pages; false after Cancel. The printer and
    // the page range chosen are left on `printer`.
    virtual bool ConfirmPrint(QPrinter& printer, int pageCount) = 0;
    // The preview window, in which `render` draws the report on the printer it shows or
    // prints on.
    virtual void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& render) = 0;
    // Paper, orientation and margins of the printer's next jobs.
    virtual void PageSetup(QPrinter& printer) = 0;
};

class CQtPrintDialogs : public CPrintDialogs {
public:
    explicit CQtPrintDialogs(QWidget* parent) : m_parent(parent) {}
    bool ConfirmPrint(QPrinter& printer, int pageCount) override;
    void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& render) override;
    void PageSetup(QPrinter& printer) override;

private:
    QWidget* m_parent;
};
