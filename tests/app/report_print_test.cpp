#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QLocale>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QPushButton>

#include "AppTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/ReportPrinter.h"
#include "document/Report.h"
#include "document/TunerDoc.h"
#include "support/RecordingHost.h"

#include <clocale>

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

/// Text of one page of a PDF with its layout kept (pdftotext), or an empty string.
QString PdfPageText(const QString& pdfPath, int page) {
    QProcess tool;
    tool.start("pdftotext",
               {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdfPath, "-"});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

/// The user's locale for numbers is a comma one while this lives.
class CommaLocale {
public:
    CommaLocale() : m_previous(std::setlocale(LC_NUMERIC, nullptr)) {
        m_active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        QLocale::setDefault(QLocale::c());
    }
    bool Active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

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

TEST_F(ReportPrint, EveryPageStartsWithTheHeaderAndColumnsLineUpUnderACommaLocale) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils, installed by scripts/setup) is missing";
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "the de_DE.UTF-8 locale is missing (scripts/setup makes it)";
    // The 1 MHz line is skipped on the report print path, whatever the locale.
    m_doc->m_saveList.front()->m_freq[3] = 200000;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(PdfPath("comma.pdf"));
    printer.setPageSize(QPageSize(QSizeF(216, 90), QPageSize::Millimeter));  // letter, short
    const int pages = CReportPrinter::PrintReport(*m_doc, printer);
    ASSERT_GT(pages, 2);

    const std::string header = BuildReport(*m_doc).header;
    int frequencyLines = 0;
    qsizetype softpotColumn = -1;
    for (int page = 1; page <= pages; ++page) {
        const QString text = PdfPageText(PdfPath("comma.pdf"), page);
        QStringList lines = text.split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty()) << "page " << page;
        // pdftotext gives runs of blanks only roughly.
        EXPECT_EQ(lines.front().simplified(), QString::fromStdString(header).simplified())
            << "page " << page;
        for (const QString& line : lines) {
            EXPECT_FALSE(line.contains("851,0")) << line.toStdString();
            EXPECT_FALSE(line.contains(" 1.0000")) << line.toStdString();
            static const QRegularExpression frequency("^ *\\d+\\.\\d{4} ");
            if (!frequency.match(line).hasMatch())
                continue;
            ++frequencyLines;
            // The softpot value starts in the same column on every line.
            const qsizetype column = line.lastIndexOf(' ') + 1;
            if (softpotColumn < 0)
                softpotColumn = column;
            EXPECT_EQ(column, softpotColumn) << line.toStdString();
        }
    }
    EXPECT_EQ(frequencyLines, 4 * 10 - 1);  // four sections of ten, less the 1 MHz one
    EXPECT_GE(PdfPageText(PdfPath("comma.pdf"), 1).indexOf("851.0125"), 0);
}

TEST_F(ReportPrint, ReportFontIsFixedPitchOnThisMachine) {
    const QFont font = CReportPrinter::ReportFont(8, 600);
    EXPECT_TRUE(QFontInfo(font).fixedPitch()) << QFontInfo(font).family().toStdString();
    QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance("1111111111"), metrics.horizontalAdvance("MMMMMMMMMM"));
}

TEST_F(ReportPrint, StandardPageKeepsTheDescendersOfEveryLine) {
    // 8 pt at 600 dpi is taller than the 70-pixel line step: the lower part of the column
    // title's "q" and "y" lies where the next line's box begins, and must still be inked.
    QImage page(2400, 700, QImage::Format_RGB32);
    page.setDotsPerMeterX(qRound(600 / 0.0254));
    page.setDotsPerMeterY(qRound(600 / 0.0254));
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        CReportPrinter::DrawReportPage(*m_doc, painter, page);
    }
    const std::vector<std::string> lines = ReportDrawLines(BuildReport(*m_doc));
    const auto title = std::find(lines.begin(), lines.end(), "Frequency        Softpot        ");
    ASSERT_NE(title, lines.end());
    const int top = 120 + 70 * static_cast<int>(title - lines.begin() - 1);
    const QFont font = CReportPrinter::ReportFont(8, 600);
    QFontMetrics metrics(font, &page);
    const int baseline = top + metrics.ascent();
    ASSERT_GT(baseline + metrics.descent(), top + 70) << "the lines no longer overlap";
    int inked = 0;
    for (int y = top + 70; y < baseline + metrics.descent() && y < page.height(); ++y)
        for (int x = 100; x < 100 + metrics.horizontalAdvance("Frequency"); ++x)
            inked += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(inked, 10);
}

TEST_F(ReportPrint, PrintSetupChoiceIsKeptForTheStandardPrint) {
    CScriptedDialogs dialogs;
    CReportPrinter printer(dialogs);
    const QString path = PdfPath("setup.pdf");
    QString okText;
    dialogs.onExec = [&](QDialog& dialog) {
        auto* setup = qobject_cast<QPrintDialog*>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
            okText = buttons->button(QDialogButtonBox::Ok)->text();
        setup->printer()->setOutputFormat(QPrinter::PdfFormat);
        setup->printer()->setOutputFileName(path);
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(printer.PrintSetup(nullptr));
    EXPECT_EQ(dialogs.titles, std::vector<std::string>{"Print Setup"});
    EXPECT_EQ(okText, "OK");
    EXPECT_FALSE(QFile::exists(path));  // setting up prints nothing

    dialogs.onExec = nullptr;
    printer.PrintStandard(*m_doc, nullptr);
    EXPECT_EQ(dialogs.titles.size(), 1u);  // no second dialog
    EXPECT_EQ(PageCount(path), 1);
}
