// The report sheet written as a PDF and read back with pdftotext: the header, every row with
// its readings and result, the overall result; long reports run over pages, each under the
// header.

#include "sheet/ReportSheet.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QtGui/QGuiApplication>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

class ReportSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "report_sheet_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }
    void TearDown() override {
        for (const std::string& f : files) std::remove(f.c_str());
    }
    std::string TempPath(const std::string& suffix) {
        char path[] = "/tmp/vegal-sheet-XXXXXX";
        const int fd = mkstemp(path);
        close(fd);
        files.push_back(path);
        files.push_back(path + suffix);
        return path + suffix;
    }
    /// The text of a PDF as pdftotext lays it out ("" when it cannot be read).
    std::string PdfText(const std::string& pdf) {
        const std::string txt = TempPath(".txt");
        const std::string cmd = "pdftotext -layout '" + pdf + "' '" + txt + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0)
            return {};
        std::ifstream in(txt);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static int Pages(const std::string& text) {
        int pages = 1;
        for (char c : text) pages += c == '\f';
        return text.empty() ? 0 : pages - (text.back() == '\f');
    }

    /// An alignment of two features: the oscillator found out, aligned and passed as left;
    /// the balance's second row still out as left.
    static CAlignmentReport Alignment() {
        CAlignmentReport r;
        r.modelNumber = "M25KSS9PW1AN";
        r.serialNumber = "103KTB0077";
        r.hostVersion = "R01.02.05";
        r.date = "2026-12-11 18:05";
        r.station = {"North Radio Service", "J. Smith", "bench3", "/dev/ttyUSB1"};
        r.verified = true;
        r.leftTested = true;
        CAlignmentReport::Row osc;
        osc.feature = "Reference Oscillator";
        osc.row = 1;
        osc.freq = 29202500;  // 146.0125 MHz
        osc.oldValue = 20;
        osc.newValue = 72;
        osc.target = 0;
        osc.tolerance = 50;
        osc.unit = "Hz";
        osc.aligned = true;
        osc.found = {true, -520, false, "the reading is outside the tolerance"};
        osc.left = {true, 3, true, ""};
        osc.pass = true;
        r.rows.push_back(osc);
        for (int i = 1; i <= 2; ++i) {
            CAlignmentReport::Row bal = osc;
            bal.feature = "Tx Deviation Balance";
            bal.row = i;
            bal.oldValue = 100;
            bal.newValue = 60 + i;
            bal.target = 3000;
            bal.tolerance = 60;
            bal.found = {true, 2000.0 + i, false, "the reading is outside the tolerance"};
            bal.left = {true, i == 1 ? 2990.0 : 2870.0, i == 1, ""};
            bal.pass = i == 1;
            bal.reason = i == 1 ? "" : "the reading is outside the tolerance";
            r.rows.push_back(bal);
        }
        r.features = {{"Reference Oscillator", true, "programmed"},
                      {"Tx Deviation Balance", false, "not programmed: a row failed"}};
        return r;
    }

    std::vector<std::string> files;
};

TEST_F(ReportSheetTest, APdfPageWithTheHeaderEveryRowSideBySideAndTheResults) {
    const CAlignmentReport report = Alignment();
    const std::string pdf = TempPath(".pdf");
    std::string error;
    ASSERT_TRUE(ReportSheet::WritePdf(report, pdf, error)) << error;
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext could not read " << pdf;
    EXPECT_EQ(Pages(text), 1) << text;
    for (const char* header : {"Alignment Report", "North Radio Service", "M25KSS9PW1AN",
                               "103KTB0077", "R01.02.05", "2026-12-11 18:05", "J. Smith", "bench3",
                               "/dev/ttyUSB1", "As found", "As left", "Page 1 of 1"})
        EXPECT_NE(text.find(header), std::string::npos) << header << "\n" << text;
    // Each row on one line: frequency, as found, old, new, as left, target, result.
    for (const char* row :
         {"146.0125", "-520 Hz *", "3 Hz", "2001 Hz *", "2990 Hz", "2870 Hz *", "3000 Hz"})
        EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
    std::istringstream lines(text);
    int pass = 0, fail = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("146.0125") == std::string::npos)
            continue;
        pass += line.find("PASS") != std::string::npos;
        fail += line.find("FAIL") != std::string::npos;
    }
    EXPECT_EQ(pass, 2) << text;
    EXPECT_EQ(fail, 1) << text;
    EXPECT_NE(text.find("not programmed: a row failed"), std::string::npos) << text;
    EXPECT_NE(text.find("Overall result:"), std::string::npos) << text;
    EXPECT_EQ(report.Overall(), "FAIL");
}

TEST_F(ReportSheetTest, ALongReportRunsOverPagesEachUnderTheHeader) {
    CAlignmentReport report = Alignment();
    const CAlignmentReport::Row row = report.rows[1];
    for (int f = 0; f < 9; ++f)
        for (int r = 1; r <= 10; ++r) {
            CAlignmentReport::Row more = row;
            more.feature = "Feature " + std::to_string(f);
            more.row = r;
            report.rows.push_back(more);
        }
    const int pages = ReportSheet::PageCount(report);
    EXPECT_GE(pages, 2);
    const std::string pdf = TempPath(".pdf");
    std::string error;
    ASSERT_TRUE(ReportSheet::WritePdf(report, pdf, error)) << error;
    const std::string text = PdfText(pdf);
    EXPECT_EQ(Pages(text), pages);
    std::size_t headers = 0;
    for (std::size_t at = 0; (at = text.find("103KTB0077", at)) != std::string::npos; ++at)
        ++headers;
    EXPECT_GE(headers, static_cast<std::size_t>(pages)) << "the header on every page";
    EXPECT_NE(text.find("Page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos);
    EXPECT_NE(text.find("Feature 8"), std::string::npos);
}

TEST_F(ReportSheetTest, ATestSheetAndAPathThatCannotBeWritten) {
    CAlignmentReport report = Alignment();
    report.kind = CAlignmentReport::Kind::Test;
    const std::string pdf = TempPath(".pdf");
    std::string error;
    ASSERT_TRUE(ReportSheet::WritePdf(report, pdf, error)) << error;
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Test Report"), std::string::npos) << text;
    EXPECT_NE(text.find("Reading"), std::string::npos) << text;
    EXPECT_EQ(text.find("As left"), std::string::npos) << text;

    EXPECT_FALSE(ReportSheet::WritePdf(report, "/nonexistent-folder/a.pdf", error));
    EXPECT_EQ(error.rfind("/nonexistent-folder/a.pdf: cannot be written (", 0), 0u) << error;
}

}  // namespace
