#pragma once

#include <QtCore/QString>
#include <QtGui/QFont>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct CAlignmentReport;
class CDialogRunner;
class CTunerDoc;
class QPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

/// Prints the tuning report of a data set.
///
/// The report print asks for a printer and paginates: half-inch margins, the line height of
/// the report font, the header line at the top of every page, document name "Quillmore
/// Tuner". The standard print draws one page on the chosen printer without asking (it asks
/// only when there is no printer at all), 8 pt: the header at x 100, y 50 and the lines from
/// y 120 in steps of 70 device pixels. Print preview shows that page.
///
/// Both paths use a fixed-pitch font, so the softpot column lines up, and draw the text
/// without a background, so a line never covers the descenders of the line above. The
/// printer chosen in Print Setup is kept for every later print of the run.
class CReportPrinter {
public:
    static constexpr const char* kDocName = "Quillmore Tuner";

    explicit CReportPrinter(CDialogRunner& dialogs);
    ~CReportPrinter();

    /// Report print (menu "Print..."): the printer dialog, then PrintReport. Cancel prints
    /// nothing.
    void PrintReportWithDialog(CTunerDoc& doc, QWidget* parent);
    /// Standard print: the chosen (or default) printer without a dialog.
    void PrintStandard(CTunerDoc& doc, QWidget* parent);
    /// Print preview of the standard page.
    void Preview(CTunerDoc& doc, QWidget* parent);
    /// Print Setup: chooses the printer and its paper for the later prints; prints nothing.
    /// Returns whether a printer was chosen.
    bool PrintSetup(QWidget* parent);

    /// The printer every print of the run uses.
    QPrinter& Printer() { return *m_printer; }

    /// The paginated report onto a printer that is ready (any output format). Returns the
    /// number of pages started.
    static int PrintReport(CTunerDoc& doc, QPrinter& printer);
    /// Any report's lines paginated the same way: the first line is the header of every page.
    static int PrintLines(const std::vector<std::string>& lines, QPrinter& printer);
    /// Print preview of report lines laid out as PrintLines does, titled title; the preview's
    /// own Print button prints them (or makes a PDF through the print dialog).
    void PreviewLines(const std::vector<std::string>& lines, const QString& title, QWidget* parent);
    /// Print preview of a whole-radio run's report drawn as its sheet, titled title; the
    /// preview's print button prints the sheet.
    void PreviewSheet(const CAlignmentReport& report, const QString& title, QWidget* parent);
    /// The one-page drawing onto a painter; positions are device pixels of the device.
    static void DrawReportPage(CTunerDoc& doc, QPainter& painter, QPaintDevice& device);
    /// The one-page drawing as its own print job.
    static bool PrintReportPage(CTunerDoc& doc, QPrinter& printer);

    /// The fixed-pitch report font at a size in points for a device of dpiY dots per inch:
    /// "Courier New" where it exists, else the system's fixed-pitch face.
    static QFont ReportFont(double points, int dpiY);

private:
    /// Print preview titled title, drawn by paint (which the print button runs too).
    void PreviewPainted(const QString& title, QWidget* parent,
                        const std::function<void(QPrinter&)>& paint);
    CDialogRunner& m_dialogs;
    std::unique_ptr<QPrinter> m_printer;
    bool m_bChosen = false;  ///< Print Setup or a print dialog chose the printer
};
