#include "app/ReportPrinter.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrintPreviewWidget>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QPushButton>

#include <algorithm>

#include "app/DialogRunner.h"
#include "document/Report.h"
#include "sheet/ReportSheet.h"

namespace {

/// Point size of the paginated report (the size of a printer's own fixed-pitch face).
constexpr double kReportPoints = 10.0;
/// Point size of the one-page drawing.
constexpr double kPagePoints = 8.0;

/// A PDF "printer" gets a printer-like resolution, so device-pixel positions keep their size.
void PreparePrinter(QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setResolution(600);
    printer.setDocName(CReportPrinter::kDocName);
}

}  // namespace

CReportPrinter::CReportPrinter(CDialogRunner& dialogs)
    : m_dialogs(dialogs), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

CReportPrinter::~CReportPrinter() = default;

QFont CReportPrinter::ReportFont(double points, int dpiY) {
    QFont font;
    font.setFamilies({"Courier New", "DejaVu Sans Mono", "Liberation Mono", "Nimbus Mono PS",
                      "FreeMono", "monospace"});
    font.setStyleHint(QFont::TypeWriter, QFont::PreferOutline);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, static_cast<int>(points * dpiY / 72.0 + 0.5)));
    return font;
}

int CReportPrinter::PrintReport(CTunerDoc& doc, QPrinter& printer) {
    PreparePrinter(printer);
    return PrintLines(ReportPrintLines(BuildReport(doc)), printer);
}

int CReportPrinter::PrintLines(const std::vector<std::string>& lines, QPrinter& printer) {
    if (lines.empty())
        return 0;

    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QFont font = ReportFont(kReportPoints, printer.logicalDpiY());
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    QFontMetrics metrics(font, &printer);
    // Character height plus internal leading: the leading is what the face adds above its
    // em square.
    const int internalLeading = std::max(0, metrics.height() - font.pixelSize());
    const int lineHeight = metrics.height() + internalLeading;
    const int left = printer.logicalDpiX() / 2;
    const int top = printer.logicalDpiY() / 2;
    const int pageHeight = painter.viewport().height();
    const QString header = QString::fromStdString(lines.front());

    int pages = 0;
    int y = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (pages == 0 || y > pageHeight - top) {
            if (pages > 0)
                printer.newPage();
            ++pages;
            painter.drawText(left, top + metrics.ascent(), header);
            y = top + lineHeight;
        }
        painter.drawText(left, y + metrics.ascent(), QString::fromStdString(lines[i]));
        y += lineHeight;
    }
    if (pages == 0) {  // a report of the header alone still prints its page
        painter.drawText(left, top + metrics.ascent(), header);
        pages = 1;
    }
    painter.end();
    return pages;
}

void CReportPrinter::DrawReportPage(CTunerDoc& doc, QPainter& painter, QPaintDevice& device) {
    const std::vector<std::string> lines = ReportDrawLines(BuildReport(doc));
    const QFont font = ReportFont(kPagePoints, device.logicalDpiY());
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    QFontMetrics metrics(font, &device);
    if (lines.empty())
        return;
    painter.drawText(100, 50 + metrics.ascent(), QString::fromStdString(lines.front()));
    int y = 120;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        painter.drawText(100, y + metrics.ascent(), QString::fromStdString(lines[i]));
        y += 70;
    }
}

bool CReportPrinter::PrintReportPage(CTunerDoc& doc, QPrinter& printer) {
    PreparePrinter(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    DrawReportPage(doc, painter, printer);
    painter.end();
    return true;
}

void CReportPrinter::PrintReportWithDialog(CTunerDoc& doc, QWidget* parent) {
    QPrintDialog dialog(m_printer.get(), parent);
    if (m_dialogs.Exec(dialog) != QDialog::Accepted)
        return;
    m_bChosen = true;
    PrintReport(doc, *m_printer);
}

void CReportPrinter::PrintStandard(CTunerDoc& doc, QWidget* parent) {
    if (!m_bChosen && QPrinterInfo::defaultPrinter().isNull()) {
        // No printer installed and none chosen: the only time this print asks.
        QPrintDialog dialog(m_printer.get(), parent);
        if (m_dialogs.Exec(dialog) != QDialog::Accepted)
            return;
        m_bChosen = true;
    }
    PrintReportPage(doc, *m_printer);
}

namespace {

/// A preview dialog on the printer, large enough to read the page at its width.
void SizePreview(QPrintPreviewDialog& dialog, QWidget* parent) {
    if (QWidget* window = parent ? parent->window() : nullptr)
        dialog.resize(std::max(640, window->width() * 4 / 5), std::max(480, window->height() - 80));
    if (auto* view = dialog.findChild<QPrintPreviewWidget*>())
        view->fitToWidth();
}

}  // namespace

void CReportPrinter::Preview(CTunerDoc& doc, QWidget* parent) {
    PreparePrinter(*m_printer);
    QPrintPreviewDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle("Print Preview");
    SizePreview(dialog, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&doc](QPrinter* p) {
        QPainter painter(p);
        DrawReportPage(doc, painter, *p);
    });
    m_dialogs.Exec(dialog);
}

void CReportPrinter::PreviewLines(const std::vector<std::string>& lines, const QString& title,
                                  QWidget* parent) {
    PreviewPainted(title, parent, [&lines](QPrinter& p) { PrintLines(lines, p); });
}

void CReportPrinter::PreviewSheet(const CAlignmentReport& report, const QString& title,
                                  QWidget* parent) {
    PreviewPainted(title, parent, [&report](QPrinter& p) { ReportSheet::Render(report, p); });
}

void CReportPrinter::PreviewPainted(const QString& title, QWidget* parent,
                                    const std::function<void(QPrinter&)>& paint) {
    PreparePrinter(*m_printer);
    QPrintPreviewDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle(title);
    SizePreview(dialog, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* p) { paint(*p); });
    m_dialogs.Exec(dialog);
}

bool CReportPrinter::PrintSetup(QWidget* parent) {
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle("Print Setup");
    // Printer and paper only: no page range or copies, and a button that does not say Print.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText("OK");
    }
    if (m_dialogs.Exec(dialog) != QDialog::Accepted)
        return false;
    m_bChosen = true;
    return true;
}
