#include "app/ReportPrinter.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>

#include <algorithm>

#include "app/DialogRunner.h"
#include "document/Report.h"

namespace {

/// A PDF "printer" gets a printer-like resolution, so device-pixel positions keep their size.
void PreparePrinter(QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setResolution(600);
    printer.setDocName(CReportPrinter::kDocName);
}

}  // namespace

int CReportPrinter::PrintReport(CTunerDoc& doc, QPrinter& printer) {
    PreparePrinter(printer);
    const std::vector<std::string> lines = ReportPrintLines(BuildReport(doc));
    if (lines.empty())
        return 0;

    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QFont font = painter.font();  // the printer's default font
    QFontMetrics metrics(font, &printer);
    const double emPixels =
        font.pointSizeF() > 0 ? font.pointSizeF() * printer.logicalDpiY() / 72.0 : metrics.ascent();
    const int internalLeading = std::max(0, metrics.height() - static_cast<int>(emPixels + 0.5));
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

void CReportPrinter::DrawReportPage(CTunerDoc& doc, QPainter& painter, QPrinter& printer) {
    const std::vector<std::string> lines = ReportDrawLines(BuildReport(doc));
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(std::max(1, 8 * printer.logicalDpiY() / 72));
    painter.setFont(font);
    painter.setBackgroundMode(Qt::OpaqueMode);
    QFontMetrics metrics(font, &printer);
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
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (m_dialogs.Exec(dialog) != QDialog::Accepted)
        return;
    PrintReport(doc, printer);
}

void CReportPrinter::PrintStandard(CTunerDoc& doc, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::defaultPrinter().isNull()) {
        QPrintDialog dialog(&printer, parent);
        if (m_dialogs.Exec(dialog) != QDialog::Accepted)
            return;
    }
    PrintReportPage(doc, printer);
}

void CReportPrinter::Preview(CTunerDoc& doc, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle("Print Preview");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&doc](QPrinter* p) {
        QPainter painter(p);
        DrawReportPage(doc, painter, *p);
    });
    m_dialogs.Exec(dialog);
}
