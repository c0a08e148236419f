#pragma once

#include <QtCore/QString>

class CDialogRunner;
class CTunerDoc;
class QPainter;
class QPrinter;
class QWidget;

/// Prints the tuning report of a data set.
///
/// The report print asks for a printer and paginates: half-inch margins, the printer font's
/// line height, the header line at the top of every page, document name "Quillmore Tuner".
/// The standard print draws one page on the default printer in Courier New 8 pt: the header at
/// x 100, y 50 and the lines from y 120 in steps of 70 device pixels. Print preview shows that
/// page.
class CReportPrinter {
public:
    static constexpr const char* kDocName = "Quillmore Tuner";

    explicit CReportPrinter(CDialogRunner& dialogs) : m_dialogs(dialogs) {}

    /// Report print (menu "Print..."): the printer dialog, then PrintReport. Cancel prints
    /// nothing.
    void PrintReportWithDialog(CTunerDoc& doc, QWidget* parent);
    /// Standard print: the default printer without a dialog (asks only when none exists).
    void PrintStandard(CTunerDoc& doc, QWidget* parent);
    /// Print preview of the standard page.
    void Preview(CTunerDoc& doc, QWidget* parent);

    /// The paginated report onto a printer that is ready (any output format). Returns the
    /// number of pages started.
    static int PrintReport(CTunerDoc& doc, QPrinter& printer);
    /// The one-page drawing onto a painter of a printer.
    static void DrawReportPage(CTunerDoc& doc, QPainter& painter, QPrinter& printer);
    /// The one-page drawing as its own print job.
    static bool PrintReportPage(CTunerDoc& doc, QPrinter& printer);

private:
    CDialogRunner& m_dialogs;
};
