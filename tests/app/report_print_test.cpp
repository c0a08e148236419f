#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>

#include "AppTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/ReportPrinter.h"
#include "document/TunerDoc.h"
#include "support/RecordingHost.h"

namespace {

/// A data set with the reference oscillator and Tx power at ten frequencies each.
std::unique_ptr<CTunerDoc> MakeDoc(IHost& host, CFrameState& frame) {
    auto doc = std::make_unique<CTunerDoc>(host, frame, nullptr);
    doc->m_serialNumber = "123ABC4567";
    doc->m_modelNumber = "H18QDH9PW6AN";
    doc->m_featurePresent[kRefOsc] = true;
    doc->m_featurePresent[kTxPower] = true;
    for (auto [type, level] : {std::pair{0, 0}, {1, 1}, {1, 2}, {1, 3}}) {
        auto record = std::make_unique<CSaveValues>();
        record->m_type = type;
        record->m_level = level;
        for (int i = 0; i < CSaveValues::kPairs; ++i) {
            record->m_freq[i] = 170202500 + i * 200000;  // 851.0125 MHz and up, 5 Hz steps
            record->m_value[i] = 100 + i;
        }
        doc->m_saveList.push_back(std::move(record));
    }
    return doc;
}

int PageCount(const QString& pdfPath) {
    QFile file(pdfPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    return data.count("/Type /Page\n") + data.count("/Type /Page ") + data.count("/Type /Page/") +
           data.count("/Type /Page>");
}

class ReportPrint : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_doc = MakeDoc(m_host, m_frame);
    }
    QString PdfPath(const char* name) { return m_dir.filePath(name); }

    CRecordingHost m_host;
    CFrameState m_frame;
    std::unique_ptr<CTunerDoc> m_doc;
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(ReportPrint, PaginatedReportRendersToAPdfWithAHeaderOnEachPage) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(PdfPath("report.pdf"));
    const int pages = CReportPrinter::PrintReport(*m_doc, printer);
    EXPECT_EQ(printer.docName(), "Quillmore Tuner");
    EXPECT_GE(pages, 1);
    QFile pdf(PdfPath("report.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_EQ(PageCount(PdfPath("report.pdf")), pages);
}

TEST_F(ReportPrint, LongReportContinuesOnFurtherPages) {
    // A small page holds only a few lines, so the report needs several pages.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(PdfPath("long.pdf"));
    printer.setPageSize(QPageSize(QSizeF(80, 60), QPageSize::Millimeter));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    const int pages = CReportPrinter::PrintReport(*m_doc, printer);
    EXPECT_GT(pages, 2);
    EXPECT_EQ(PageCount(PdfPath("long.pdf")), pages);
}

TEST_F(ReportPrint, StandardPageDrawsOnePage) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(PdfPath("page.pdf"));
    ASSERT_TRUE(CReportPrinter::PrintReportPage(*m_doc, printer));
    EXPECT_EQ(PageCount(PdfPath("page.pdf")), 1);
    EXPECT_GT(QFileInfo(PdfPath("page.pdf")).size(), 500);
}

TEST_F(ReportPrint, PrinterDialogChoosesAPdfAndCancelPrintsNothing) {
    CScriptedDialogs dialogs;
    CReportPrinter printer(dialogs);
    printer.PrintReportWithDialog(*m_doc, nullptr);  // cancelled
    EXPECT_EQ(dialogs.titles.size(), 1u);

    const QString path = PdfPath("dialog.pdf");
    dialogs.onExec = [path](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print)
            return int(QDialog::Rejected);
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(path);
        return int(QDialog::Accepted);
    };
    printer.PrintReportWithDialog(*m_doc, nullptr);
    EXPECT_GE(PageCount(path), 1);
}

TEST_F(ReportPrint, PreviewRunsThroughTheDialogSeam) {
    CScriptedDialogs dialogs;
    CReportPrinter printer(dialogs);
    printer.Preview(*m_doc, nullptr);
    ASSERT_EQ(dialogs.titles.size(), 1u);
    EXPECT_EQ(dialogs.titles[0], "Print Preview");
}
